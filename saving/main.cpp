// saving create  - reads saving.txt, makes a new PST at PSTFILENAME and adds
//                  it to the default profile as MailBoxName.
// saving folder  - reads mailsaving.txt and makes every folder along
//                  FolderPath (\\Store\A\B); tempFolderType, when not empty,
//                  is the new folders' container class (else IPF.Contact).
// Exit codes: 0 done, 1 failed (message on stderr), 2 wrong usage.
#include <store/companion.h>
#include <store/session.h>

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

void Create() {
    auto cmd = store::ParseSavingText(store::ReadCommandFile(store::kSavingFile));
    std::filesystem::path dest(cmd.pstPath);
    std::filesystem::path dir = dest.has_parent_path() ? dest.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(dir))
        throw store::StoreError(store::ErrorCode::NotFound, "The destination folder does not exist: " + dir.string());
    if (::access(dir.c_str(), W_OK) != 0)
        throw store::StoreError(store::ErrorCode::AccessDenied, "The destination folder is not writable: " + dir.string());
    store::RDOSession session;
    session.CreateStore(cmd.pstPath, cmd.mailboxName);
}

void Folder() {
    auto cmd = store::ParseMailSavingText(store::ReadCommandFile(store::kMailSavingFile));
    store::RDOSession session;
    session.Logon();
    // New folders hold contacts unless the command file names another type.
    session.EnsureFolderPath(cmd.folderPath, cmd.folderType.empty() ? "IPF.Contact" : cmd.folderType);
    session.Logoff();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::string(argv[1]) != "create" && std::string(argv[1]) != "folder")) {
        std::cerr << "usage: saving create|folder\n";
        return 2;
    }
    try {
        if (std::string(argv[1]) == "create") Create();
        else Folder();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "saving " << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
}
