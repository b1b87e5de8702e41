// The command files of the companion program `saving`, for callers that make
// PST files and folders through it (the exporters call the store library
// themselves).
//
// By default command files live in the program folder (the folder of the
// running executable). When that folder is not writable, the per-user folder
// $XDG_RUNTIME_DIR/ferrywell if XDG_RUNTIME_DIR is set, else
// $XDG_CACHE_HOME/ferrywell, else ~/.cache/ferrywell. `saving --commands DIR`
// reads them from DIR instead, which lets concurrent callers keep theirs apart.
#pragma once

#include <string>

namespace store {

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
// Reads a whole command file from folder.
std::string ReadCommandFile(const std::string& folder, const char* name);

}  // namespace store
