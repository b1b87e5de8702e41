#include <store/companion.h>
#include <store/error.h>

#include "entry_text.h"
#include "file_writes.h"

#include <base/fd_io.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace fs = std::filesystem;

namespace {
// Far more than the longest command file: two paths and a name.
constexpr size_t kMaxCommandFileBytes = 64 * 1024;

bool Writable(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

std::string UserFolder() {
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r) return std::string(r) + "/ferrywell";
    if (const char* c = std::getenv("XDG_CACHE_HOME"); c && *c) return std::string(c) + "/ferrywell";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.cache/ferrywell";
}

// The value after key up to the end marker, or nullopt when the key is missing.
bool Field(const std::string& text, const std::string& key, const std::string& end, std::string& value) {
    size_t at = text.find(key);
    if (at == std::string::npos) return false;
    at += key.size();
    size_t stop = text.find(end, at);
    if (stop == std::string::npos) return false;
    value = text.substr(at, stop - at);
    return true;
}
}  // namespace

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path().string();
    return exe.parent_path().string();
}

std::string CommandFolder() {
    if (const char* forced = std::getenv("FERRYWELL_COMMAND_DIR"); forced && *forced) return forced;
    std::string program = ProgramFolder();
    if (Writable(program)) return program;
    std::string user = UserFolder();
    std::error_code ec;
    fs::create_directories(user, ec);
    return user;
}

std::string SavingText(const std::string& pstPath, const std::string& mailboxName) {
    return "PSTFILENAME: " + pstPath + "<br>MailBoxName: " + mailboxName + "<br>\r\n";
}

std::string MailSavingText(const std::string& storePath) {
    return "FolderPath:" + storePath + "\r\n" + "tempFolderType:" + "\r\n";
}

void WriteSavingFile(const std::string& pstPath, const std::string& mailboxName) {
    WriteWholeFile(CommandFolder() + "/" + kSavingFile, SavingText(pstPath, mailboxName));
}

void WriteMailSavingFile(const std::string& storePath) {
    WriteWholeFile(CommandFolder() + "/" + kMailSavingFile, MailSavingText(storePath));
}

SavingCommand ParseSavingText(const std::string& text) {
    SavingCommand c;
    if (!Field(text, "PSTFILENAME: ", "<br>", c.pstPath)) throw StoreError(ErrorCode::InvalidArgument, "saving.txt has no PSTFILENAME line");
    if (!Field(text, "<br>MailBoxName: ", "<br>", c.mailboxName)) throw StoreError(ErrorCode::InvalidArgument, "saving.txt has no MailBoxName");
    if (c.pstPath.empty()) throw StoreError(ErrorCode::InvalidArgument, "saving.txt names no PST file");
    if (c.mailboxName.empty()) throw StoreError(ErrorCode::InvalidArgument, "saving.txt names no mailbox");
    CheckEntryText(c.pstPath, "The PST path in saving.txt", kMaxPathBytes, kMaxPathBytes);
    CheckEntryText(c.mailboxName, "The mailbox name in saving.txt", kMaxStoreNameChars, kMaxPathBytes);
    return c;
}

MailSavingCommand ParseMailSavingText(const std::string& text) {
    MailSavingCommand c;
    if (!Field(text, "FolderPath:", "\r\n", c.folderPath)) throw StoreError(ErrorCode::InvalidArgument, "mailsaving.txt has no FolderPath line");
    if (!Field(text, "tempFolderType:", "\r\n", c.folderType)) throw StoreError(ErrorCode::InvalidArgument, "mailsaving.txt has no tempFolderType line");
    if (c.folderPath.empty()) throw StoreError(ErrorCode::InvalidArgument, "mailsaving.txt names no folder path");
    CheckEntryText(c.folderPath, "The folder path in mailsaving.txt", kMaxPathBytes, kMaxPathBytes);
    CheckEntryText(c.folderType, "The folder type in mailsaving.txt", kMaxStoreNameChars, kMaxPathBytes);
    return c;
}

std::string ReadCommandFile(const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name;
    // Without blocking: a FIFO in its place must not hold the program up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw StoreError(ErrorCode::NotFound, "Cannot read " + path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw StoreError(ErrorCode::BadFormat, path + " is not a regular file");
    }
    if (st.st_size > static_cast<off_t>(kMaxCommandFileBytes)) {
        ::close(fd);
        throw StoreError(ErrorCode::BadFormat, path + " is too large for a command file");
    }
    std::string text(static_cast<size_t>(st.st_size), '\0');
    const ssize_t done = base::ReadAll(fd, text.data(), text.size());
    ::close(fd);
    if (done != static_cast<ssize_t>(text.size())) throw StoreError(ErrorCode::Failed, "Cannot read " + path);
    return text;
}

}  // namespace store
