// saving create  - reads saving.txt, makes a new PST at PSTFILENAME and adds
//                  it to the default profile as MailBoxName.
// saving folder  - reads mailsaving.txt and makes every folder along
//                  FolderPath (\\Store\A\B); tempFolderType, when not empty,
//                  is the new folders' container class (else IPF.Contact).
// Exit codes: 0 done, 1 failed (message on stderr), 2 wrong usage.
// --help and --version answer and end with 0.
#include <base/file_size_limit.h>
#include <cmdline/standard_options.h>
#include <store/companion.h>
#include <store/session.h>

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

const cmdline::Program kProgram{"saving", R"(Usage: saving create|folder
Makes Outlook PST files and PST folders for Ferrywell from its command files.

  create     read saving.txt and make a new PST file, added to the default
             mail profile under the name the file gives
  folder     read mailsaving.txt and make every folder along its path in the
             default profile's stores
  --help     show this help and exit
  --version  show the version and exit

The command files are read from the program's folder, or, when that is not
writable, from $XDG_RUNTIME_DIR/ferrywell, else $XDG_CACHE_HOME/ferrywell,
else ~/.cache/ferrywell.

Exit status: 0 done; 1 failed (the reason on standard error); 2 usage error.
)"};

void Create() {
    auto cmd = store::ParseSavingText(store::ReadCommandFile(store::kSavingFile));
    std::filesystem::path dest(cmd.pstPath);
    std::filesystem::path dir = dest.has_parent_path() ? dest.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(dir))
        throw store::StoreError(store::ErrorCode::NotFound, "The destination folder does not exist: " + dir.string());
    if (::access(dir.c_str(), W_OK) != 0)
        throw store::StoreError(store::ErrorCode::AccessDenied, "The destination folder is not writable: " + dir.string());
    store::Session session;
    session.CreateStore(cmd.pstPath, cmd.mailboxName);
}

void Folder() {
    auto cmd = store::ParseMailSavingText(store::ReadCommandFile(store::kMailSavingFile));
    store::Session session;
    session.Logon();
    // New folders hold contacts unless the command file names another type.
    session.EnsureFolderPath(cmd.folderPath, cmd.folderType.empty() ? "IPF.Contact" : cmd.folderType);
    session.Logoff();
}

}  // namespace

int main(int argc, char** argv) {
    base::FailWritesPastFileSizeLimit();
    if (auto status = cmdline::AnswerStandardOptions(kProgram, argc, argv, std::cout, std::cerr)) return *status;
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
