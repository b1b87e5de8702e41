// The HTTP client against a server of the test's own: busy replies tried
// again after their Retry-After and given up after the set number of tries,
// redirects followed on the same host only, and TLS verified, trusting a
// private CA only when given its file.
#include <carddav/http_client.h>

#include <support/test_files.h>
#include <support/tool_runner.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace carddav;

namespace {

const std::string kStub = std::string(FERRYWELL_SOURCE_DIR) + "/tests/platform/carddav/http_stub.py";

// The stub server for the test's lifetime; its port is the first line it prints.
class Stub {
public:
    explicit Stub(const std::vector<std::string>& args = {}) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            std::vector<const char*> argv{testsupport::kPython, kStub.c_str()};
            for (const auto& a : args) argv.push_back(a.c_str());
            argv.push_back(nullptr);
            ::execv(testsupport::kPython, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(fds[1]);
        FILE* out = ::fdopen(fds[0], "r");
        char line[32] = {};
        if (std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
        std::fclose(out);
    }
    ~Stub() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    int Port() const { return port_; }
    std::string Url(const std::string& scheme, const std::string& path) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

HttpOptions Alice() {
    HttpOptions o;
    o.user = "alice";
    o.password = "pw";
    return o;
}

HttpResponse Get(HttpClient& http, const std::string& url) { return http.Send({"GET", url, {}, ""}); }

}  // namespace

TEST(CardDavHttp, BusyRepliesAndRedirects) {
    Stub stub;
    ASSERT_GT(stub.Port(), 0);
    HttpClient http(Alice());
    // Two busy replies, then the answer.
    HttpResponse r = Get(http, stub.Url("http", "/busy"));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "/busy 3");
    // Still busy after every try: the last reply, after five tries.
    r = Get(http, stub.Url("http", "/always-busy"));
    EXPECT_EQ(r.status, 429);
    EXPECT_EQ(Get(http, stub.Url("http", "/count/always-busy")).body, "5");

    r = Get(http, stub.Url("http", "/moved"));
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "/final 1");
    EXPECT_EQ(Get(http, stub.Url("http", "/auth")).body, "with credentials");
    // Another host name: neither followed nor sent the credentials.
    r = Get(http, stub.Url("http", "/away"));
    EXPECT_EQ(r.status, 302);
    EXPECT_NE(r.error.find("not followed"), std::string::npos) << r.error;
    EXPECT_EQ(Get(http, stub.Url("http", "/count/final")).body, "1");
}

TEST(CardDavHttp, TlsIsVerified) {
    REQUIRE_TOOL("openssl");
    testsupport::TempDir dir;
    const std::string cert = dir / "cert.pem", key = dir / "key.pem";
    ASSERT_EQ(testsupport::RunTool("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext "
                                   "subjectAltName=IP:127.0.0.1 -keyout " + testsupport::Quote(key) + " -out " +
                                   testsupport::Quote(cert) + " 2>&1"),
              0);
    Stub stub({cert, key});
    ASSERT_GT(stub.Port(), 0);
    HttpClient untrusted(Alice());
    HttpResponse r = Get(untrusted, stub.Url("https", "/x"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.error.find("certificate"), std::string::npos) << r.error;
    HttpOptions options = Alice();
    options.caFile = cert;
    HttpClient trusting(options);
    r = Get(trusting, stub.Url("https", "/x"));
    EXPECT_EQ(r.status, 200) << r.error;
}
