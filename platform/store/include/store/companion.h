// The companion program `saving` and its command files.
//
// Command files live in the program folder (the folder of the running
// executable). When that folder is not writable, the converter and `saving`
// both use the per-user folder $XDG_RUNTIME_DIR/ferrywell if XDG_RUNTIME_DIR
// is set, else $XDG_CACHE_HOME/ferrywell, else ~/.cache/ferrywell.
#pragma once

#include <string>

namespace store {

class Session;

inline constexpr const char* kSavingFile = "saving.txt";
inline constexpr const char* kMailSavingFile = "mailsaving.txt";

// Folder of the running executable (no trailing slash).
std::string ProgramFolder();
// The folder that holds the command files, created when missing.
std::string CommandFolder();

// "PSTFILENAME: " + path + "<br>MailBoxName: " + name + "<br>" + CR LF
std::string SavingText(const std::string& pstPath, const std::string& mailboxName);
// "FolderPath:" + store path + CR LF + "tempFolderType:" + CR LF
std::string MailSavingText(const std::string& storePath);

// Write the command file in CommandFolder(), replacing it; StoreError on failure.
void WriteSavingFile(const std::string& pstPath, const std::string& mailboxName);
void WriteMailSavingFile(const std::string& storePath);

struct SavingCommand {
    std::string pstPath;
    std::string mailboxName;
};
struct MailSavingCommand {
    std::string folderPath;
    std::string folderType;
};
// Parse command file texts; StoreError(InvalidArgument) for a missing line,
// an empty path or name, a control character in any value, a mailbox name or
// folder type of more than 255 characters, a path of more than 4096 bytes.
SavingCommand ParseSavingText(const std::string& text);
MailSavingCommand ParseMailSavingText(const std::string& text);
// Reads a whole command file from CommandFolder().
std::string ReadCommandFile(const char* name);

// Starts `saving` (beside the running executable) with the verb as its only
// argument and waits for it. Commits the session's stores first so that the
// companion sees every saved item. What it writes on its standard error goes
// on to ours. Returns its exit code, or -1 when it could not be started or
// did not exit; then *why, when given, says why: the last line it wrote on
// its standard error (without its "saving VERB: " prefix), or how it ended.
int RunCompanion(const std::string& verb, Session* session = nullptr, std::string* why = nullptr);

}  // namespace store
