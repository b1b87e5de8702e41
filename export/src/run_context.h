// What the parts of one run share: the request, the stop request, the log
// and progress that go to the sink, and the outcome as it builds up.
#pragma once

#include <exporting/log_text.h>
#include <exporting/request.h>
#include <exporting/sink.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace exporting {

// True for the errors of a write that found no room: a full disk or quota,
// or a file past the process's file-size limit.
inline bool IsDiskFullErrno(int err) { return err == ENOSPC || err == EDQUOT || err == EFBIG; }

class RunContext {
public:
    RunContext(const ExportRequest& request, std::atomic<int>& stop, ExportSink& sink)
        : request(request), options(request.options), stop_(stop), sink_(sink) {}

    const ExportRequest& request;
    const ExportOptions& options;
    ExportOutcome outcome;  // totals, outputs and error so far
    bool stopped = false;   // a stop request ended a view
    // The database's identity (notesapi::DatabaseIdentity), once it opened.
    std::string databaseIdentity;
    bool notedUnidentified = false;  // the log said that documents without an identity are written each time

    // Every log line of the run passes here and reaches the sink as one line,
    // whatever contact text or path it carries.
    void Log(const std::string& text, uint32_t colour = kColourProgress) { sink_.AppendToLog(OneLogLine(text), colour); }
    void LogError(const std::string& text) { Log(text, kColourError); }
    // Keeps why the run cannot go on, and logs it.
    void Fail(std::string why) {
        outcome.error = std::move(why);
        LogError(outcome.error);
    }
    void SetTarget(const std::string& target) { sink_.SetTarget(target); }
    void FlushLog() { sink_.FlushLog(); }

    // A stop request, or a full disk: either ends the run after the contact
    // at hand. Asked on reading threads too.
    bool StopRequested() const { return stop_.load() != 0 || diskFull_.load(); }
    void ClearStop() { stop_.store(0); }

    // A write found no room at path (a file, or the folder it goes into):
    // nothing more is written, and the run ends as a full disk. The first
    // such path is the one kept and logged.
    void NoteDiskFull(const std::string& path) {
        if (diskFull_.exchange(true)) return;
        outcome.fullDisk = path;
        LogError("The disk is full: " + path + "; the export ends here");
    }
    bool DiskFull() const { return diskFull_.load(); }

    // More contacts to come; the progress is reported at once.
    void AddKnown(uint64_t count) {
        known_ += count;
        sink_.SetProgress(done_, known_);
    }
    // One more contact handled; reported every 64 and at the last.
    void CountDone() {
        ++done_;
        if (done_ % 64 == 0 || done_ == known_) sink_.SetProgress(done_, known_);
    }

    // A stop or a full disk ended the run: of the asked contacts, those it
    // never came to.
    void NoteNotReached(uint64_t asked) {
        const ExportTotals& t = outcome.totals;
        const uint64_t handled = t.written + t.skipped + t.failed;
        outcome.notReached = asked > handled ? asked - handled : 0;
    }

    // Settles the outcome with how the run ended and hands it to the sink.
    const ExportOutcome& Settle(ExportEnd end) {
        outcome.end = end;
        sink_.SetOutcome(outcome);
        return outcome;
    }

private:
    std::atomic<int>& stop_;
    std::atomic<bool> diskFull_{false};
    ExportSink& sink_;
    uint64_t done_ = 0, known_ = 0;
};

}  // namespace exporting
