// What a run reports while it goes and when it ends: log lines in their
// colours, progress, the folder being written, and the outcome. The export
// dialogs show it, the command line prints it, tests record it.
#pragma once

#include <exporting/request.h>

#include <cstdint>
#include <string>
#include <vector>

namespace exporting {

// Log colours (0x00BBGGRR): progress lines, skip notices, failures.
inline constexpr uint32_t kColourProgress = 0x009900;
inline constexpr uint32_t kColourSkip = 0x000001;
inline constexpr uint32_t kColourError = 0x0000CC;

struct ExportTotals {
    // Contacts and distribution lists alike:
    uint64_t written = 0;  // written (an item saved, a file or CSV row written)
    uint64_t skipped = 0;  // left out by the message filter, or a group in a CSV file
    uint64_t failed = 0;   // not written because something failed
    // Files of the contacts written that were left out: damaged or too large.
    uint64_t attachmentsLeftOut = 0;
};

enum class ExportEnd {
    Completed,            // ran to the end (some contacts may still have failed)
    Stopped,              // a stop request ended it
    DiskFull,             // a write found no room on the disk (or past the file-size limit): it ended there
    BadOptions,           // the request had a problem: logged, nothing done
    DatabaseUnavailable,  // the database could not be opened
    DestinationUnusable,  // the destination folder, PST or profile cannot be used
};

struct ExportOutcome {
    ExportEnd end = ExportEnd::Completed;
    ExportTotals totals;
    std::string error;                 // why, when end is not Completed/Stopped
    bool logonFailed = false;          // the store's logon failed (end is DestinationUnusable)
    std::vector<std::string> outputs;  // PST files made, or the file export's directory
    // When a stop ended the run: the contacts asked for that it never came
    // to (neither written, skipped nor failed).
    uint64_t notReached = 0;
    // When a full disk ended the run: the file or folder that had no room.
    std::string fullDisk;
    // Written, but not recorded in their folder's journal (it could not be
    // written): a resumed export would write them again. A run with any
    // has not gone well.
    uint64_t notRecorded = 0;
    // Contact documents the run opened to read them: a rerun that finds
    // every contact saved and unchanged opens none.
    uint64_t documentsOpened = 0;
};

// Calls come from the run's thread; an implementation hands them to its own
// thread as needed.
class ExportSink {
public:
    virtual ~ExportSink() = default;
    // One log line (without line end) in a colour of the kColour* set.
    virtual void AppendToLog(const std::string& text, uint32_t colour) = 0;
    // The log lines so far reach the user now: the run is about to wait.
    virtual void FlushLog() {}
    // Contacts handled so far of those known so far (the total grows as
    // folders open).
    virtual void SetProgress(uint64_t done, uint64_t total) = 0;
    // The folder contacts go into from now on: a store path or a directory.
    virtual void SetTarget(const std::string& target) { (void)target; }
    // The run's result, once, as soon as it is settled: before the closing
    // line "Completed" where the run writes one, and before the target is
    // closed. A front end that tells the user the run is over does so when
    // RunExport has returned.
    virtual void SetOutcome(const ExportOutcome& outcome) { (void)outcome; }
};

// "Conversion Completed Successfully!" when nothing failed, else a text that
// says how many contacts were not written.
std::string CompletionMessage(const ExportTotals& totals);

// When some written contacts could not be recorded as written: a line that
// says how many, and what that means for a resumed export; else empty.
std::string NotRecordedNotice(const ExportOutcome& outcome);

// "Written: N, skipped: S, failed: F": the command line's last line.
std::string CountsLine(const ExportTotals& totals);

// The notice the command line prints on its standard error when a run did
// not go well: the completion message after a run that completed, that it
// stopped with how many contacts were written and how many not after a
// stopped one, that the disk is full with the same counts after one a full
// disk ended ("The disk is full: PATH. N contacts written, M not written."),
// the logon failure's text when the store refused the logon,
// nothing otherwise (the log says why).
std::string ClosingNotice(const ExportOutcome& outcome);

// The message a window shows when a run ends: the completion message; for a
// stopped run, that it stopped, with how many contacts were written and how
// many not; the same for a full disk; the logon failure's text; or, when nothing could be written,
// why. The counts line follows. Empty for a request refused for its options,
// which the log explains.
std::string EndOfRunMessage(const ExportOutcome& outcome);

// The folder a front end shows when a run ends: the new export directory of
// a tree export to files that completed, was stopped or filled the disk;
// empty otherwise.
std::string FinishedFolder(const ExportRequest& request, const ExportOutcome& outcome);

}  // namespace exporting
