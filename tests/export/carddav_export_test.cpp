// Export into a CardDAV address book on a Radicale server of the test's own,
// read back by a second client (REPORT addressbook-query, vobject): every
// contact once, as the vcf kind writes it; groups as contact groups; a
// second run changes nothing; a changed document updates its card while a
// card changed on the server is kept until --overwrite; a refused or
// missing password or address book ends the run with status 5, a server
// gone during it fails the rest at once; the password shows in no output,
// record or command line.
#include "radicale_server.h"

#include <support/env_setting.h>
#include <support/tool_runner.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace exporttest;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string kPassword = "Pa55-w0rd-f3b9-unique";
const std::string kCli = std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli";
const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";
const std::string kReader = std::string(FERRYWELL_SOURCE_DIR) + "/tests/export/carddav_reader.py";

struct CliRun {
    int code = -1;
    std::string out, err;
};

// Every file of a folder and its bytes, Radicale's cache left out.
std::map<std::string, std::string> Files(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) out[e.path().filename().string()] = ReadFile(e.path());
    return out;
}

class CardDavExport : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<RadicaleServer>("alice", kPassword);
        if (!server_->Problem().empty()) GTEST_SKIP() << server_->Problem();
        home_ = server_->Dir() / "own";
    }

    // ferrywell-cli export, with the password (if any) in the environment,
    // and a home and state folder of the test's own.
    CliRun Export(const std::string& args, const char* password = kPassword.c_str()) {
        EnvSetting p("FERRYWELL_PASSWORD", password), h("HOME", home_.c_str()), s("XDG_STATE_HOME", home_.c_str());
        CliRun r;
        const std::string err = server_->Dir() / "err.txt";
        r.code = RunTool("(" + Quote(kCli) + " export " + args + " 2>" + Quote(err) + ")", &r.out);
        r.err = ReadFile(err);
        for (const std::string* text : {&r.out, &r.err}) EXPECT_EQ(text->find(kPassword), std::string::npos) << *text;
        return r;
    }
    CliRun ToBook(const std::string& db, const std::string& more = "") {
        return Export(Quote(db) + " --as carddav --to " + Quote(server_->BookUrl()) + " --user alice" + more);
    }
    std::string Reader(const std::string& args) {
        EnvSetting p("FERRYWELL_PASSWORD", kPassword.c_str());
        std::string out;
        EXPECT_EQ(RunTool(std::string(kPython) + " " + Quote(kReader) + " " + args, &out), 0) << out;
        return out;
    }
    std::string ReadBack(const std::string& command, const std::string& more = "") {
        return Reader(command + " " + Quote(server_->BookUrl()) + " alice " + more);
    }

    std::unique_ptr<RadicaleServer> server_;
    std::string home_;
};

TEST_F(CardDavExport, EachContactOnceAsTheVcfKindWritesItAndASecondRunChangesNothing) {
    CliRun r = ToBook(kSample);
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Export Items: Liam Jansen"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Written: 69, skipped: 141, failed: 0"), std::string::npos) << r.out;

    const std::string vcf = server_->Dir() / "vcf";
    fs::create_directories(vcf);
    ASSERT_EQ(Export(Quote(kSample) + " --as vcf --to " + Quote(vcf)).code, 0);
    EXPECT_EQ(ReadBack("compare", Quote(vcf)).substr(0, 4), "same");
    EXPECT_NE(ReadBack("list").find("\tLiam Jansen\tliam.jansen@blue.example"), std::string::npos);

    // Again, and again leaving what was saved unread: the server's files stay as they are.
    const auto before = Files(server_->BookFolder());
    for (const char* more : {"", " --skip-saved"}) {
        r = ToBook(kSample, more);
        EXPECT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("Written: 0, skipped: 210, failed: 0"), std::string::npos) << more << r.out;
    }
    EXPECT_EQ(Files(server_->BookFolder()), before);
    // Without the records of what was stored (another machine, a new
    // account), what the server holds is recognised by its content.
    fs::remove_all(home_ + "/ferrywell");
    r = ToBook(kSample);
    EXPECT_NE(r.out.find("Written: 0, skipped: 210, failed: 0"), std::string::npos) << r.out;
    EXPECT_EQ(Files(server_->BookFolder()), before);
    for (const auto& e : fs::recursive_directory_iterator(home_))
        if (e.is_regular_file()) {
            EXPECT_EQ(ReadFile(e.path()).find(kPassword), std::string::npos) << e.path();
        }
}

TEST_F(CardDavExport, ChangedDocumentUpdatesItsCardAndACardChangedOnTheServerIsKept) {
    ASSERT_EQ(ToBook(kSample).code, 0);
    std::string dxl = ReadFile(kSample);
    const size_t at = dxl.find("liam.jansen@blue.example");
    ASSERT_NE(at, std::string::npos);
    dxl.replace(at, 24, "liam.jansen@new.example");
    const size_t modified = dxl.find("<datetime", dxl.find("<modified>", dxl.rfind("<document", at)));
    const size_t text = dxl.find('>', modified) + 1;
    dxl.replace(text, dxl.find('<', text) - text, "20300101T000000,00+00");
    const std::string changed = server_->Dir().Write("changed.dxl", dxl);
    ASSERT_EQ(Reader("edit " + Quote(server_->BookUrl()) + " alice 'Omar Haddad' 'met in Lisbon'"), "edited\n");

    CliRun r = ToBook(changed);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Written: 1, skipped: 209, failed: 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Changed on the server since it was exported, left as it is (--overwrite replaces it): Omar Haddad"),
              std::string::npos) << r.out;
    std::string cards = ReadBack("list");
    EXPECT_NE(cards.find("\tLiam Jansen\tliam.jansen@new.example"), std::string::npos) << cards;
    EXPECT_EQ(cards.find("liam.jansen@blue.example"), std::string::npos) << cards;

    r = ToBook(changed, " --overwrite");
    EXPECT_NE(r.out.find("Written: 1, skipped: 209, failed: 0"), std::string::npos) << r.out;
    const std::string vcf = server_->Dir() / "vcf";
    fs::create_directories(vcf);
    ASSERT_EQ(Export(Quote(changed) + " --as vcf --to " + Quote(vcf)).code, 0);
    EXPECT_EQ(ReadBack("compare", Quote(vcf)).substr(0, 4), "same");
}

TEST_F(CardDavExport, RefusedOrMissingPasswordOrBookEndsWithStatusFive) {
    CliRun r = Export(Quote(kSample) + " --as carddav --to " + Quote(server_->BookUrl()) + " --user alice", "wrong-password");
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("The server refused the user name or password"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("wrong-password") + r.err.find("wrong-password"), 2 * std::string::npos);

    r = Export(Quote(kSample) + " --as carddav --to " + Quote(server_->BookUrl()) + " --user alice", nullptr);
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("FERRYWELL_PASSWORD"), std::string::npos) << r.err;
    // The same from the user's netrc, once only its owner may read it.
    const std::string netrc = home_ + "/.netrc";
    std::ofstream(netrc) << "machine 127.0.0.1 login alice password " << kPassword << "\n";
    fs::permissions(netrc, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    r = Export(Quote(kSample) + " --as carddav --to " + Quote(server_->BookUrl()) + " --user alice", nullptr);
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("other users may read it"), std::string::npos) << r.err;
    fs::permissions(netrc, fs::perms::owner_read | fs::perms::owner_write);
    r = Export(Quote(kSample) + " --as carddav --to " + Quote(server_->BookUrl()) + " --user alice --folders Contacts", nullptr);
    EXPECT_EQ(r.code, 0) << r.out << r.err;

    r = Export(Quote(kSample) + " --as carddav --to " + Quote(server_->BaseUrl() + "alice/nothing/") + " --user alice");
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("no address book"), std::string::npos) << r.err;
    r = Export(Quote(kSample) + " --as carddav --to 'http://alice:" + kPassword + "@127.0.0.1/' --user alice");
    EXPECT_EQ(r.code, 2);
}

// A server that goes away during the run: each of the first contacts fails
// after its tries (with those sent beside them), the rest at once, and the
// run says so.
TEST_F(CardDavExport, AServerThatStopsAnsweringFailsTheRestAtOnce) {
    EnvSetting p("FERRYWELL_PASSWORD", kPassword.c_str()), h("HOME", home_.c_str()), s("XDG_STATE_HOME", home_.c_str());
    // Line-buffered, so that the listing's log line comes as it is written;
    // stdbuf's preloaded library comes before a sanitizer's runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") + "verify_asan_link_order=0";
    EnvSetting a("ASAN_OPTIONS", asanOptions.c_str());
    FILE* cli = ::popen(("stdbuf -oL " + Quote(kCli) + " export " + Quote(kSample) + " --as carddav --to " + Quote(server_->BookUrl()) +
                         " --user alice 2>&1").c_str(),
                        "r");
    ASSERT_NE(cli, nullptr);
    std::string out;
    char line[4096];
    while (std::fgets(line, sizeof line, cli)) {
        out += line;
        if (out.find("Address book: ") != std::string::npos) break;
    }
    server_->Stop();  // listed, and gone before the first vCard
    while (std::fgets(line, sizeof line, cli)) out += line;
    const int status = ::pclose(cli);
    EXPECT_EQ(WEXITSTATUS(status), 1) << out;
    // The program may have stored a few before the server went.
    unsigned written = 0, skipped = 0, failed = 0;
    const size_t counts = out.find("Written: ");
    ASSERT_NE(counts, std::string::npos) << out;
    ASSERT_EQ(std::sscanf(out.c_str() + counts, "Written: %u, skipped: %u, failed: %u", &written, &skipped, &failed), 3);
    EXPECT_EQ(written + skipped + failed, 210u);
    auto count = [&](const std::string& text) {
        size_t n = 0;
        for (size_t at = 0; (at = out.find(text, at)) != std::string::npos; ++at) ++n;
        return n;
    };
    // Three fail after their tries, and the four at most on their way
    // beside them.
    const size_t tried = count("Cannot store ");
    EXPECT_GE(tried, 3u) << out;
    EXPECT_LE(tried, 7u) << out;
    EXPECT_EQ(count("Not sent to the address book: "), failed - tried) << out;
    EXPECT_NE(out.find("the server stopped answering (Failed to connect"), std::string::npos) << out;
}

// A group is a contact group whose members are the stored contacts
// themselves; members that are no contact of the database stay e-mail lines.
TEST_F(CardDavExport, GroupsNameTheirMembersByTheirStoredCards) {
    CliRun r = ToBook(std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl");
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    const std::string groups = ReadBack("groups");
    // Members are named as their cards are: by the common names.
    EXPECT_NE(groups.find("Setzerei: Effi Hoffmann, Jonas Weber, Zoë Ämtler\n"), std::string::npos) << groups;
    EXPECT_NE(groups.find("Leer: \n"), std::string::npos) << groups;
    EXPECT_EQ(groups.find('?'), std::string::npos) << groups;
}

// From the server's address or the user's, the address book is found:
// the one asked for, else the usual one, else none but a list of them.
TEST_F(CardDavExport, FindsTheAddressBookFromTheServerOrTheUser) {
    auto bookOf = [](const CliRun& r) {
        const size_t at = r.out.find("Address book: ");
        return at == std::string::npos ? r.out + r.err : r.out.substr(at + 14, r.out.find(' ', at + 14) - at - 14);
    };
    server_->AddBook("work", "Work");
    const std::string folders = " --folders Contacts";
    for (const std::string& url : {server_->BaseUrl(), server_->BaseUrl() + "alice/"})
        EXPECT_EQ(bookOf(Export(Quote(kSample) + " --as carddav --to " + Quote(url) + " --user alice" + folders)),
                  server_->BookUrl());
    const std::string base = Quote(kSample) + " --as carddav --to " + Quote(server_->BaseUrl()) + " --user alice" + folders;
    EXPECT_EQ(bookOf(Export(base + " --address-book Work")), server_->BaseUrl() + "alice/work/");

    fs::remove_all(server_->BookFolder());
    server_->AddBook("family", "Family");
    CliRun r = Export(base);
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("several address books; choose one with --address-book NAME"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Work (" + server_->BaseUrl() + "alice/work/)"), std::string::npos) << r.err;
    r = Export(base + " --address-book Nope");
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("no address book named Nope"), std::string::npos) << r.err;
}

// The password stays out of the running program's command line: seen while
// the program waits on a server that takes the connection and never answers.
TEST(CardDavPassword, NotInTheCommandLine) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/alice/contacts/";
    TempDir home;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("FERRYWELL_PASSWORD", kPassword.c_str(), 1);
        ::setenv("HOME", home.Path().c_str(), 1);
        ::setenv("XDG_STATE_HOME", home.Path().c_str(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(kCli.c_str(), kCli.c_str(), "export", kSample.c_str(), "--as", "carddav", "--to", url.c_str(), "--user",
                "alice", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Once the program has connected, its command line is its own.
    const int connection = ::accept(listener, nullptr, nullptr);
    const std::string cmdline = ReadFile("/proc/" + std::to_string(pid) + "/cmdline");
    EXPECT_NE(cmdline.find("carddav"), std::string::npos) << cmdline;
    EXPECT_EQ(cmdline.find(kPassword), std::string::npos);
    ::kill(pid, SIGKILL);
    ::close(connection);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(listener);
}

}  // namespace
