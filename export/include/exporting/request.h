// What an export is asked to do: a plain value that the export dialogs and
// `ferrywell-cli export` fill in, and the one check of it that both call
// before they start a run.
#pragma once

#include <exporting/split_size.h>

#include <notes/field_rules.h>
#include <notes/folder_structure.h>

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// The output kinds and their mode strings: "pst", "pst1" (a folder of the
// default profile), "msg", "html", "txt", "doc", "rtf", "mhtml", "pdf",
// "vcf", "csv", and "carddav" (each contact a vCard in an address book on a
// CardDAV server).
enum class OutputKind { Pst, Profile, Msg, Html, Txt, Doc, Rtf, Mhtml, Pdf, Vcf, Csv, CardDav };
std::string_view ModeString(OutputKind kind);
std::optional<OutputKind> KindFromMode(std::string_view mode);
// True for the two Outlook store kinds (Pst, Profile).
bool IsStoreKind(OutputKind kind);
// Every kind suits a tree export; a list export has no DOC or MHTML output.
bool KindAllowed(OutputKind kind, bool listExport);

// The naming convention that names each file after the contact's File As
// text ("Farrow, Jane"), as its saved item files it.
inline constexpr std::string_view kFileAsNaming = "File As";

// The naming conventions in the order the tree export's dialog lists them.
inline constexpr std::array<std::string_view, 6> kNamingConventions = {
    "Subject", "Date+Subject", "From+Date+Subject", "Subject+Date+From", "Subject+Date", kFileAsNaming};

// What the user chose besides the contacts: kind, destination and options.
struct ExportOptions {
    OutputKind kind = OutputKind::Pst;
    // The destination folder, or for Profile the display path of the picked
    // store folder ("\\Store\Folder"), or for CardDav the address book's URL.
    std::string destination;
    // CardDav: the user name; a CA file to trust besides the system's (for
    // a server with a private CA); whether a contact changed on the server
    // since it was last exported is overwritten.
    std::string user;
    std::string caFile;
    bool overwrite = false;
    // CardDav: the password as typed in the window, kept only for the run;
    // empty: FERRYWELL_PASSWORD or the ~/.netrc entry for the host.
    std::string password;
    // CardDav, when the URL names the server or the user: which of the
    // user's address books (display name or last part of its path).
    std::string addressBook;
    // A naming convention of kNamingConventions, used while namingOn;
    // otherwise "Subject" applies.
    bool namingOn = false;
    std::string naming = "Subject";
    // Split PST (Pst only): a new PST before a contact or folder that would
    // take the current file past splitSize bytes.
    bool splitPst = false;
    uint64_t splitSize = kSplitChoices.size() * kGiB;
    // Message filter (file kinds only): both ends inclusive.
    bool filterOn = false;
    notes::OleDate filterStart, filterEnd;
    bool requireAttachments = false;  // "Message has attachment(s)."
    // "Ignore already saved message": leave out what an earlier run of the
    // same export wrote.
    bool skipSaved = false;
};

// The ticked rows of the listed view.
struct ListedEntries {
    uint32_t viewIndex = 0;
    std::string folderName;      // the view's folder name, as the tree shows it
    std::set<uint32_t> entries;  // the entry indexes of the ticked rows ("NO")
};

struct ExportRequest {
    std::string database;       // path of the database
    std::string databaseTitle;  // its file name without folder and extension; names new PST files
    // A tree export: every contact of these folder records, in this order.
    std::vector<notes::FolderRecord> folders;
    // A list export, when set (folders then stays empty): the ticked entries
    // of one view.
    std::optional<ListedEntries> listed;
    ExportOptions options;
    // Documents are read on a thread of their own, a few contacts ahead of
    // the one being written, so that reading and writing share the machine's
    // cores. Off, each contact is read and then written on the run's thread:
    // the files are the same either way. With skipSaved what is saved is
    // decided from the index before the reading starts, so it reads ahead too.
    bool readAhead = true;
    // Another export holding the destination is waited for; otherwise the
    // run is refused at once (DestinationUnusable).
    bool waitForDestination = false;

    bool IsListExport() const { return listed.has_value(); }
};

enum class RequestProblem {
    None,
    TwoSelections,     // folders and listed entries at once
    KindNotAllowed,    // the kind does not suit the selection
    NoDestination,     // no destination folder or store folder
    UnknownNaming,     // a naming convention that is not one of kNamingConventions
    SplitWithoutPst,   // Split PST asked of another kind
    NoSplitSize,       // Split PST without a size
    BadFilterDates,    // the filter is on and an end is not a date
    BadAddressBook,    // CardDav: the destination is not an http(s) URL without credentials
    NoUser,            // CardDav: no user name
};

struct RequestCheck {
    RequestProblem problem = RequestProblem::None;
    std::string text;  // what is wrong, for the user
    bool Ok() const { return problem == RequestProblem::None; }
};

// The first thing wrong with the request, in the order of RequestProblem.
// A run refuses a request with a problem, except that a missing destination
// is reported by the run itself, in its log, as the dialogs always did.
RequestCheck CheckRequest(const ExportRequest& request);

}  // namespace exporting
