// The export core: what an export is asked to do (ExportOptions), what it
// drives while it runs (ExportSink: the dialog's log and status, the command
// line's output, a recorder in tests) and what it reports at the end. The
// mailbox export (every document of the checked folders) and the
// selected-items export (the ticked rows of one listed view) are two entry
// points over the same contact table, naming, filters, targets and split.
//
// Both run on the caller's thread (the dialog starts a worker for them) and
// never throw: every failure is logged, counted and reflected in the outcome.
#pragma once

#include <notes/field_rules.h>
#include <notes/folder_structure.h>
#include <notes/shared_state.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// The output kinds and their mode strings: "pst", "pst1" (a folder of the
// default profile), "msg", "html", "txt", "doc", "rtf", "mhtml", "pdf",
// "vcf", "csv".
enum class OutputKind { Pst, Profile, Msg, Html, Txt, Doc, Rtf, Mhtml, Pdf, Vcf, Csv };
std::string_view ModeString(OutputKind kind);
std::optional<OutputKind> KindFromMode(std::string_view mode);
// True for the two Outlook store kinds (Pst, Profile).
bool IsStoreKind(OutputKind kind);

// The naming conventions in the order the mailbox dialog lists them.
inline constexpr std::array<std::string_view, 5> kNamingConventions = {
    "Subject", "Date+Subject", "From+Date+Subject", "Subject+Date+From", "Subject+Date"};

// Log colours (0x00BBGGRR): progress lines, skip notices, failures.
inline constexpr uint32_t kColourProgress = 0x009900;
inline constexpr uint32_t kColourSkip = 0x000001;
inline constexpr uint32_t kColourError = 0x0000CC;

inline constexpr uint64_t kGiB = 1073741824ull;

struct ExportOptions {
    OutputKind kind = OutputKind::Pst;
    // MessageSavepath: the destination folder, or for Profile the display
    // path of the picked folder ("\\Store\Folder").
    std::string destination;
    // NameingConven, used while namingOn; otherwise "Subject" applies.
    bool namingOn = false;
    std::string naming = "Subject";
    // Split PST (Pst only): a new PST before a contact or folder that would
    // take the current file past splitSize bytes.
    bool splitPst = false;
    uint64_t splitSize = 5 * kGiB;
    // Message filter (file kinds only): both ends inclusive.
    bool filterOn = false;
    notes::OleDate filterStart, filterEnd;
    bool requireAttachments = false;  // "Message has attachment(s)."
};

// What an export drives. Calls come from the export's thread; an
// implementation hands them to its own thread as needed.
class ExportSink {
public:
    virtual ~ExportSink() = default;
    // One log line (without line end) in a colour of the kColour* set.
    virtual void AppendToLog(const std::string& text, uint32_t colour) = 0;
    // The status field: "Saving Folder Status :" + the current target.
    virtual void SetFolderStatus(const std::string& text) = 0;
    // The start button's text while running ("Under Process...", "Finish"...).
    virtual void SetButtonText(const std::string& text) = 0;
    // Contacts handled so far of those known so far (total grows as folders open).
    virtual void SetProgress(uint64_t done, uint64_t total) = 0;
    // A notice with the product title as caption ("Conversion Completed
    // Successfully!", "Unable to login outlook session!", ...).
    virtual void ShowMessage(const std::string& text) = 0;
    // A finished file export's directory, for the desktop's file browser.
    virtual void OpenFolder(const std::string& directory) = 0;
};

struct ExportTotals {
    uint64_t written = 0;  // contacts written (an item saved, a file or CSV row written)
    uint64_t skipped = 0;  // contacts the message filter left out
    uint64_t failed = 0;   // contacts not written because something failed
};

enum class ExportEnd {
    Completed,            // ran to the end (some contacts may still have failed)
    Stopped,              // a stop request ended it
    BadOptions,           // no mode or no destination: logged, nothing done
    DatabaseUnavailable,  // the database could not be opened
    DestinationUnusable,  // the destination folder, PST or profile cannot be used
};

struct ExportOutcome {
    ExportEnd end = ExportEnd::Completed;
    ExportTotals totals;
    std::string error;                 // why, when end is not Completed/Stopped
    std::vector<std::string> outputs;  // PST files made, or the file export's root directory
};

// The mailbox export: every document of each folder record in `folders`
// (the checked ones, in list order). Reads state.strFileDir,
// state.SourceFileName and state.tempFilePath. `stop` is abort_process: read
// before each folder and each document, cleared when the export starts.
ExportOutcome SaveMailBox(notes::FerrywellState& state, const ExportOptions& options,
                          const std::vector<notes::FolderRecord>& folders, std::atomic<int>& stop,
                          ExportSink& sink);

// The selected-items export: the entries of the view at viewIndex (named
// folderName, as the tree shows it) whose entry index is in `entries`.
// `stop` is bStopProcess: read once per checked entry, cleared when the
// export starts and when it is honoured.
ExportOutcome SaveData(notes::FerrywellState& state, const ExportOptions& options, uint32_t viewIndex,
                       const std::string& folderName, const std::set<uint32_t>& entries,
                       std::atomic<int>& stop, ExportSink& sink);

// The closing message: "Conversion Completed Successfully!" when nothing
// failed, else a message that says how many contacts were not written.
std::string CompletionMessage(const ExportTotals& totals);

}  // namespace exporting
