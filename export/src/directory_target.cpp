#include "directory_target.h"

#include "run_context.h"
#include "stamps.h"

#include <exporting/ensure_path.h>
#include <exporting/naming.h>

#include <base/ascii.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace exporting {

namespace {

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

bool IsWritableDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

DirectoryTarget::DirectoryTarget(RunContext& run) : run_(run), stamp_(RecoverDataStamp()) {}

bool DirectoryTarget::Open() {
    const std::string& destination = run_.options.destination;
    if (run_.request.IsListExport()) {
        if (!IsWritableDirectory(destination)) {
            run_.Fail("Cannot write to the output folder " + destination);
            return false;
        }
        root_ = destination;
    } else {
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

std::string DirectoryTarget::PrepareFolder(const TargetFolder& folder) {
    dir_ = FolderDirectory(root_, folder.path);
    if (!EnsurePathExists(dir_)) run_.LogError("Cannot create the directory " + dir_);
    StartFolder(folder, dir_);
    return dir_;
}

std::string DirectoryTarget::Subject(const ContactRecord& contact) const {
    return SubjectText(contact.Value("CompanyName"), contact.Value("FirstName"), contact.Value("LastName"));
}

bool DirectoryTarget::FilteredOut(bool hasAttachments) const {
    const ExportOptions& o = run_.options;
    if (!o.filterOn) return false;
    bool out = false;
    // Contacts and groups carry no posted date: its empty text never
    // parses, so the date test fails for each of them.
    const notes::OleDate posted = notes::ConvertString2Date("");
    if (!posted.valid || !notes::InBetween(posted, o.filterStart, o.filterEnd)) {
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
    if (claimed_.insert(base::AsciiLower(path)).second) return path;
    std::string free = NextFreePath(path, false, [this](const std::string& p) { return claimed_.count(base::AsciiLower(p)) > 0; });
    claimed_.insert(base::AsciiLower(free));
    return free;
}

WriteResult DirectoryTarget::Write(const ContactRecord& contact, const std::string& subject, uint64_t entry) {
    if (FilteredOut(contact.hasAttachments)) return WriteResult::Skipped;
    return WriteFile(contact, subject, entry);
}

}  // namespace exporting
