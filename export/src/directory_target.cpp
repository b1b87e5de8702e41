#include "directory_target.h"

#include "continue_directory.h"
#include "run_context.h"
#include "stamps.h"

#include <exporting/ensure_path.h>
#include <exporting/naming.h>

#include <base/ascii.h>
#include <base/hash.h>
#include <mapi/dates.h>
#include <notes/field_rules.h>
#include <store/saved_items.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

// An instant (100 ns ticks since 1601-01-01 UTC) as the OLE date of its
// wall-clock time in this process's time zone, as the filter's dates are
// given; not valid for 0, a document that has no time.
notes::OleDate LocalOleDate(int64_t ticks) {
    if (ticks <= 0) return {};
    const mapi::FileTime at{ticks};
    const double day = mapi::OleDateFromFileTime(mapi::UtcMidnight(mapi::LocalDateOf(at)));
    return {day + mapi::LocalSecondsOfDay(at) / 86400.0, true};
}

// The directory of a folder below the export root: each part of the
// relative path cleaned, so that nothing lands outside the root.
std::string FolderDirectory(const std::string& root, const std::string& relPath) {
    std::string dir = root;
    size_t at = 0;
    while (at < relPath.size()) {
        size_t end = relPath.find('\\', at);
        if (end == std::string::npos) end = relPath.size();
        std::string part = relPath.substr(at, end - at);
        if (part.find_first_not_of(' ') != std::string::npos) dir += "/" + SafeComponent(part);
        at = end + 1;
    }
    return dir;
}

// Why files cannot be written into path; empty when they can.
std::string NotWritableDirectory(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "it is not a folder";
    if (::access(path.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return {};
}

// A name read back from a folder's record names a file of that folder only
// when it is one plain component.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

DirectoryTarget::DirectoryTarget(RunContext& run) : run_(run), stamp_(RecoverDataStamp()) {}

bool DirectoryTarget::Open() {
    const std::string& destination = run_.options.destination;
    if (run_.request.IsListExport()) {
        if (const std::string why = NotWritableDirectory(destination); !why.empty()) {
            run_.Fail("Cannot write to the output folder " + destination + ": " + why);
            return false;
        }
        root_ = destination;
    } else if (!(run_.options.skipSaved && ContinueDirectory())) {
        root_ = NextFreePath(destination + "/RecoverData" + stamp_, true);
        if (::mkdir(root_.c_str(), 0777) != 0) {
            run_.Fail("Cannot create the directory " + root_ + ": " + std::strerror(errno));
            return false;
        }
        run_.Log("Create Directory:" + root_);
    }
    run_.outcome.outputs.push_back(root_);
    return true;
}

bool DirectoryTarget::ContinueDirectory() {
    const DirectoryCandidates found =
        FindRecoverDataToContinue(run_.options.destination, run_.databaseIdentity, run_.options.kind);
    for (const auto& [path, why] : found.refused) run_.Log("Not continued: " + path + ": " + why, kColourSkip);
    if (found.usable.empty()) return false;
    root_ = found.usable.front();
    run_.Log("Continue Directory:" + root_);
    return true;
}

std::string DirectoryTarget::PrepareFolder(const TargetFolder& folder) {
    if (!dir_.empty()) EndFolder();
    CloseJournal();
    dir_ = FolderDirectory(root_, folder.path);
    if (std::string why; !EnsurePathExists(dir_, &why)) run_.LogError("Cannot create the directory " + dir_ + ": " + why);
    LoadSaved();
    StartFolder(folder, dir_);
    return dir_;
}

void DirectoryTarget::LoadSaved() {
    saved_.Reset();
    savedUnreadable_ = false;
    if (!run_.options.skipSaved) return;
    store::SavedIndex<Earlier> saved;
    try {
        if (run_.options.kind == OutputKind::Msg)
            store::ListSavedMsgFiles(dir_).ForEach([&](const auto& e) { saved.Add(e.identity, {e.where, -1}); });
        else
            saved = store::ReadSavedJournal(dir_);
    } catch (const store::StoreError& e) {
        // Writing on without it would write every document again.
        run_.LogError("Cannot read what was saved in " + dir_ + ": " + e.what());
        savedUnreadable_ = true;
        return;
    }
    // The files recorded keep their names: no new file of this run takes
    // one. Only files of the kind (rows for CSV) count as saved here.
    const OutputKind kind = run_.options.kind;
    const std::string extension(Extension(kind));
    std::vector<store::SavedIndex<Earlier>::Entry> strange;
    saved.ForEach([&](const auto& e) {
        const std::string& file = e.where.file;
        if (IsPlainName(file)) Claim(dir_ + "/" + file);
        const bool ofKind = file.size() > extension.size() &&
                            base::AsciiLower(file.substr(file.size() - extension.size())) == extension &&
                            (kind == OutputKind::Csv) == (e.where.line >= 0);
        if (!IsPlainName(file) || !ofKind) strange.push_back(e);
    });
    for (const auto& e : strange) saved.Remove(e.identity.database, e.identity.unid, e.where);
    saved_.Reset(std::move(saved));
}

std::optional<WriteResult> DirectoryTarget::LeftOut(bool hasAttachments, int64_t changed,
                                                    const mapi::SourceIdentity& source, const Earlier** earlier) {
    *earlier = nullptr;
    if (FilteredOut(hasAttachments, changed)) return WriteResult::Skipped;
    if (savedUnreadable_) return WriteResult::Failed;
    const SavedChoice<Earlier> choice = saved_.Choose(source);
    *earlier = choice.where;
    if (choice.action == SavedAction::Skip && StillThere(*choice.where)) return WriteResult::AlreadySaved;
    return std::nullopt;
}

bool DirectoryTarget::StillThere(const Earlier& earlier) const {
    // A whole file recorded but gone is written again, at its place.
    return earlier.line >= 0 || IsRegularFile(dir_ + "/" + earlier.file);
}

bool DirectoryTarget::SavedAndUnchanged(const mapi::SourceIdentity& source) {
    if (run_.options.filterOn || savedUnreadable_) return false;
    return saved_.TakeSkip(source, [this](const Earlier& earlier) { return StillThere(earlier); });
}

void DirectoryTarget::Record(const mapi::SourceIdentity& source, const store::SavedPlace& place) {
    if (!source.Valid()) return;
    if (!journalFailed_) {
        try {
            if (!journal_) journal_ = std::make_unique<store::SavedJournal>(dir_);
            journal_->Record(source, place);
            return;
        } catch (const store::StoreError& e) {
            journalFailed_ = true;
            run_.LogError("Cannot record what was written in " + dir_ + ": " + e.what());
            if (e.Code() == store::ErrorCode::DiskFull) run_.NoteDiskFull(dir_);
        }
    }
    // Written, but a resumed export cannot know it: it would write it again.
    ++run_.outcome.notRecorded;
    run_.LogError("Not recorded as written: " + place.file +
                  (place.line >= 0 ? " line " + std::to_string(place.line + 1) : std::string()) + " (document " +
                  source.unid + ")");
}

void DirectoryTarget::CloseJournal() {
    journal_.reset();
    journalFailed_ = false;
}

void DirectoryTarget::Close() {
    if (!dir_.empty()) EndFolder();
    CloseJournal();
}

std::string DirectoryTarget::Subject(const ContactRecord& contact) const {
    return SubjectText(contact.Value("CompanyName"), contact.Value("FirstName"), contact.Value("LastName"));
}

bool DirectoryTarget::FilteredOut(bool hasAttachments, int64_t changed) const {
    const ExportOptions& o = run_.options;
    if (!o.filterOn) return false;
    bool out = false;
    // A contact or group has no posted date: the filter tests when its
    // document was last changed, as wall-clock time here.
    const notes::OleDate when = LocalOleDate(changed);
    if (!when.valid || !notes::InBetween(when, o.filterStart, o.filterEnd)) {
        run_.Log("Skip Message Dates Not match", kColourSkip);
        out = true;
    }
    if (o.requireAttachments && !hasAttachments) {
        run_.Log("Skip as Non Attachment Message", kColourSkip);
        out = true;
    }
    return out;
}

std::string DirectoryTarget::ClaimPath(const std::string& path) {
    // Names compare ignoring ASCII case: on a destination that does (a FAT or
    // NTFS disk) "ab11.msg" would replace "Ab11.msg".
    if (Claim(path)) return path;
    std::string free = NextFreePath(path, false, [this](const std::string& p) { return Claimed(p); });
    Claim(free);
    return free;
}

bool DirectoryTarget::Claim(const std::string& path) { return claimed_.insert(base::Fnv1a64(base::AsciiLower(path))).second; }

bool DirectoryTarget::Claimed(const std::string& path) const {
    return claimed_.count(base::Fnv1a64(base::AsciiLower(path))) > 0;
}

std::string DirectoryTarget::ClaimEarlier(const std::string& file) {
    const std::string path = dir_ + "/" + file;
    Claim(path);
    return path;
}

WriteResult DirectoryTarget::Write(ContactRecord& contact, const std::string& subject, uint64_t entry,
                                   const mapi::SourceIdentity& source, const PreparedFile* prepared) {
    const Earlier* earlier = nullptr;
    if (auto result = LeftOut(contact.hasAttachments, contact.changed, source, &earlier)) return *result;
    return WriteFile(contact, subject, entry, source, earlier, prepared);
}

}  // namespace exporting
