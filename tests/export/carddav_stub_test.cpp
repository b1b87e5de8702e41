// Export into an address book of a stub CardDAV server (in memory, fast):
// a few vCards on their way at once, never more than four, with the log in
// the order of the views as the vcf kind writes it; a server that gives no
// entity tag in its PUT replies is asked for it; groups are vCard 4 groups
// where the server takes vCard 4; a second export into the same address
// book is refused, or waits with --wait, while the first holds it.
#include <support/env_setting.h>
#include <support/python_server.h>
#include <support/test_files.h>
#include <support/tool_runner.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace stubexport {

const std::string kPassword = "stub-pw-8c1e";
const std::string kCli = std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli";
const std::string kStub = std::string(FERRYWELL_SOURCE_DIR) + "/tests/export/carddav_stub.py";
const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";
const std::string kGroups = std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl";

struct Stats {
    int puts = -1, most = -1, gets = -1;
    std::string cards;
};

class CardDavStub : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& args) {
        EnvSetting p("FERRYWELL_PASSWORD", kPassword.c_str());
        server_ = std::make_unique<PythonServer>(kStub, args);
        ASSERT_GT(server_->Port(), 0);
    }
    // ferrywell-cli export into the stub's book, with a home and state
    // folder of the test's own; its log (stdout and stderr).
    int Export(const std::string& db, const std::string& more, std::string* log) {
        const std::string home = Quote(dir_.Path().string());
        return RunTool("env FERRYWELL_PASSWORD=" + kPassword + " HOME=" + home + " XDG_STATE_HOME=" + home + " " +
                           Quote(kCli) + " export " + Quote(db) + " --as carddav --user alice --to " +
                           Quote(server_->Url("http", "/alice/book/")) + more + " 2>&1",
                       log);
    }
    Stats Read() {
        std::string out;
        RunTool(std::string(kPython) + " -c 'import sys, urllib.request; sys.stdout.write(urllib.request.urlopen(sys.argv[1]).read().decode())' " +
                    Quote(server_->Url("http", "/stats")),
                &out);
        Stats s;
        std::sscanf(out.c_str(), "puts=%d most=%d gets=%d", &s.puts, &s.most, &s.gets);
        s.cards = out.substr(out.find('\n') + 1);
        return s;
    }

    TempDir dir_;
    std::unique_ptr<PythonServer> server_;
};

// The "Export Items: " and "Already saved: " lines of a log, in order.
std::string ItemLines(const std::string& log) {
    std::string out;
    for (size_t at = 0; at < log.size();) {
        const size_t end = std::min(log.find('\n', at), log.size());
        const std::string line = log.substr(at, end - at);
        for (const char* head : {"Export Items: ", "Already saved: "})
            if (line.rfind(head, 0) == 0) out += line.substr(std::strlen(head)) + "\n";
        at = end + 1;
    }
    return out;
}

TEST_F(CardDavStub, SeveralAtOnceInOrderAndTagsAskedForWhenThePutGivesNone) {
    Start({"--no-etag", "--delay", "0.02"});
    std::string log;
    ASSERT_EQ(Export(kSample, "", &log), 0) << log;
    EXPECT_NE(log.find("Written: 69, skipped: 141, failed: 0"), std::string::npos) << log;
    Stats s = Read();
    EXPECT_EQ(s.puts, 69);
    EXPECT_GE(s.most, 2);
    EXPECT_LE(s.most, 4);
    // The contacts come in the order the vcf kind writes them.
    std::string vcfLog;
    const std::string vcf = dir_ / "vcf";
    fs::create_directories(vcf);
    ASSERT_EQ(RunTool(Quote(kCli) + " export " + Quote(kSample) + " --as vcf --to " + Quote(vcf), &vcfLog), 0);
    EXPECT_EQ(ItemLines(log), ItemLines(vcfLog));

    // The tags asked for were recorded: nothing is fetched or sent again.
    ASSERT_EQ(Export(kSample, "", &log), 0) << log;
    EXPECT_NE(log.find("Written: 0, skipped: 210, failed: 0"), std::string::npos) << log;
    s = Read();
    EXPECT_EQ(s.puts, 69);
    EXPECT_EQ(s.gets, 0);
}

TEST_F(CardDavStub, GroupsAreVCard4GroupsWhereTheServerTakesVCard4) {
    for (const bool vcard4 : {true, false}) {
        Start(vcard4 ? std::vector<std::string>{"--vcard4"} : std::vector<std::string>{});
        fs::remove_all(dir_ / "ferrywell");
        std::string log;
        ASSERT_EQ(Export(kGroups, "", &log), 0) << log;
        const std::string cards = Read().cards;
        EXPECT_EQ(cards.find("VERSION:4.0\r\n") != std::string::npos, vcard4) << cards;
        EXPECT_EQ(cards.find("\r\nKIND:group\r\n") != std::string::npos, vcard4) << cards;
        EXPECT_EQ(cards.find("\r\nMEMBER:urn:uuid:") != std::string::npos, vcard4) << cards;
        EXPECT_EQ(cards.find("X-ADDRESSBOOKSERVER-KIND:group") != std::string::npos, !vcard4) << cards;
    }
}

// The records of the address book are the destination's lock: held by
// another export, the run is refused (status 5) or, with --wait, waits.
TEST_F(CardDavStub, AnotherExportIntoTheBookIsRefusedOrWaitedFor) {
    Start({});
    std::string log;
    ASSERT_EQ(Export(kSample, " --folders Contacts", &log), 0) << log;
    std::string records;
    for (const auto& e : fs::directory_iterator(dir_ / "ferrywell/carddav")) records = e.path();
    ASSERT_NE(records.find(".records"), std::string::npos) << records;
    const std::string lockPath = records.substr(0, records.size() - 8) + ".lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(Export(kSample, "", &log), 5) << log;
    EXPECT_NE(log.find("is in use by another export; nothing was written"), std::string::npos) << log;
    const int before = Read().puts;
    auto waiting = std::async(std::launch::async, [&] {
        std::string out;
        const int code = Export(kSample, " --wait", &out);
        return std::make_pair(code, out);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(Read().puts, before);
    ::close(fd);
    const auto [code, out] = waiting.get();
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("Waiting for the other export into "), std::string::npos) << out;
    EXPECT_EQ(Read().puts, 69);
    EXPECT_FALSE(fs::exists(lockPath));
}

}  // namespace stubexport
