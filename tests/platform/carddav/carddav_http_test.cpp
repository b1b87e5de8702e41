// The HTTP client against a server of the test's own: busy replies tried
// again after their Retry-After and given up after the set number of tries,
// redirects followed on the same host only, and TLS verified, trusting a
// private CA only when given its file.
#include <carddav/http_client.h>

#include <support/python_server.h>
#include <support/test_files.h>
#include <support/tool_runner.h>

#include <gtest/gtest.h>

using namespace carddav;

namespace {

const std::string kStub = std::string(FERRYWELL_SOURCE_DIR) + "/tests/platform/carddav/http_stub.py";

// The stub server for the test's lifetime.
class Stub : public testsupport::PythonServer {
public:
    explicit Stub(const std::vector<std::string>& args = {}) : PythonServer(kStub, args) {}
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
    EXPECT_EQ(http.Auth(), HttpAuth::Basic);
    // Another host name: neither followed nor sent the credentials.
    r = Get(http, stub.Url("http", "/away"));
    EXPECT_EQ(r.status, 302);
    EXPECT_NE(r.error.find("not followed"), std::string::npos) << r.error;
    EXPECT_EQ(Get(http, stub.Url("http", "/count/final")).body, "1");
}

// A server that asks for Digest gets it; one whose challenge offers Basic
// gets Basic, sent at once from then on.
TEST(CardDavHttp, DigestWhereTheServerAsksForIt) {
    Stub stub;
    ASSERT_GT(stub.Port(), 0);
    HttpClient http(Alice());
    HttpResponse r = Get(http, stub.Url("http", "/digest"));
    EXPECT_EQ(r.status, 200) << r.statusLine;
    EXPECT_EQ(r.body, "digest accepted");
    EXPECT_EQ(http.Auth(), HttpAuth::Digest);
    EXPECT_EQ(Get(http, stub.Url("http", "/digest")).body, "digest accepted");
    HttpOptions wrong = Alice();
    wrong.password = "not-pw";
    HttpClient refused(wrong);
    EXPECT_EQ(Get(refused, stub.Url("http", "/digest")).status, 401);
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
