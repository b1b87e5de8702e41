// saving create  - reads saving.txt, makes a new PST at PSTFILENAME and adds
//                  it to the default profile as MailBoxName.
// saving folder  - reads mailsaving.txt and makes every folder along
//                  FolderPath (\\Store\A\B); tempFolderType, when not empty,
//                  is the new folders' container class (else IPF.Contact).
// --commands DIR - the command files are read from DIR (default:
//                  store::CommandFolder()).
// Exit codes: 0 done, 1 failed (message on stderr), 2 wrong usage.
// --help and --version answer and end with 0.
#include <base/file_size_limit.h>
#include <cmdline/standard_options.h>
#include <store/companion.h>
#include <store/session.h>

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

const cmdline::Program kProgram{"saving", R"(Usage: saving [--commands DIR] create|folder
Makes Outlook PST files and PST folders for Ferrywell from its command files.

  create          read saving.txt and make a new PST file, added to the
                  default mail profile under the name the file gives
  folder          read mailsaving.txt and make every folder along its path in
                  the default profile's stores
  --commands DIR  read the command files from DIR
  --help          show this help and exit
  --version       show the version and exit

Without --commands the command files are read from the program's folder, or,
when that is not writable, from $XDG_RUNTIME_DIR/ferrywell, else
$XDG_CACHE_HOME/ferrywell, else ~/.cache/ferrywell. Callers that may run at
the same time give each run a folder of its own.

Exit status: 0 done; 1 failed (the reason on standard error); 2 usage error.
)",
                                  {{"commands", true}}};

constexpr const char* kUsage = "usage: saving [--commands DIR] create|folder\n";

struct Arguments {
    std::string verb;
    std::optional<std::string> commands;  // --commands DIR
};

// The verb and the command folder; nullopt for anything but one verb.
std::optional<Arguments> Parse(int argc, char** argv) {
    Arguments args;
    int verbs = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            args.verb = arg;
            ++verbs;
        } else if (arg == "--") {
            optionsEnded = true;
        } else {
            // --commands DIR or --commands=DIR (one dash too): the only
            // option the standard options let through.
            const std::string option = arg.substr(arg[1] == '-' ? 2 : 1);
            const size_t equals = option.find('=');
            args.commands = equals == std::string::npos ? std::string(argv[++i]) : option.substr(equals + 1);
        }
    }
    if (verbs != 1 || (args.verb != "create" && args.verb != "folder")) return std::nullopt;
    if (args.commands && args.commands->empty()) return std::nullopt;
    return args;
}

void Create(const std::string& commands) {
    auto cmd = store::ParseSavingText(store::ReadCommandFile(commands, store::kSavingFile));
    std::filesystem::path dest(cmd.pstPath);
    std::filesystem::path dir = dest.has_parent_path() ? dest.parent_path() : std::filesystem::path(".");
    if (!std::filesystem::is_directory(dir))
        throw store::StoreError(store::ErrorCode::NotFound, "The destination folder does not exist: " + dir.string());
    if (::access(dir.c_str(), W_OK) != 0)
        throw store::StoreError(store::ErrorCode::AccessDenied, "The destination folder is not writable: " + dir.string());
    store::Session session;
    session.CreateStore(cmd.pstPath, cmd.mailboxName);
}

void Folder(const std::string& commands) {
    auto cmd = store::ParseMailSavingText(store::ReadCommandFile(commands, store::kMailSavingFile));
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
    const std::optional<Arguments> args = Parse(argc, argv);
    if (!args) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        const std::string commands = args->commands ? *args->commands : store::CommandFolder();
        if (args->verb == "create") Create(commands);
        else Folder(commands);
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "saving " << args->verb << ": " << e.what() << "\n";
        return 1;
    }
}
