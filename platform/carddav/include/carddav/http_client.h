// HTTP requests over libcurl, one at a time on one connection that is kept
// open between them. TLS is always verified (the system's CA store, or a CA
// file); redirects are followed only on the same host; a request is tried
// again after a pause when the server is busy (429, 503: after its
// Retry-After, else backing off) or the connection failed. The user signs in
// with Basic or Digest authentication, whichever the server asks for: the
// first challenge decides, and later requests use that scheme at once. The
// password is handed to libcurl only: no text this client makes carries it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace carddav {

// Either: no credentials go with a request until the server's challenge
// says which scheme it takes.
enum class HttpAuth { Either, Basic, Digest };

struct HttpOptions {
    std::string user, password;
    HttpAuth auth = HttpAuth::Either;
    std::string caFile;            // empty: the system's CA store
    long connectTimeoutSeconds = 30;
    long stallSeconds = 120;       // a transfer that moves no byte this long fails
    int attempts = 5;              // tries of one request in all
    double longestPauseSeconds = 300;
    // Asked while pausing between tries: true ends the pause and the request.
    std::function<bool()> stop;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::string> headers;  // "Name: value"
    std::string body;
};

struct HttpResponse {
    long status = 0;         // 0: no response (see error)
    std::string statusLine;  // "HTTP/1.1 412 Precondition Failed"
    std::map<std::string, std::string> headers;  // names in lower case; the last of each
    std::string body;
    std::string error;       // why there is no usable response
    bool stopped = false;    // a stop request ended the request

    std::string Header(const std::string& lowerName) const;
    bool Ok() const { return status >= 200 && status < 300; }
    // The status line, or the transport error when there was no response.
    std::string What() const { return status ? statusLine : error; }
};

class HttpClient {
public:
    explicit HttpClient(HttpOptions options);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse Send(const HttpRequest& request);
    // The scheme the server's challenges led to, Either before any.
    HttpAuth Auth() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How long to wait before try number `attempt` (2, 3, ...) after a busy
// reply: its Retry-After (seconds or an HTTP date, read against now) when it
// has one, else 1, 2, 4... seconds; never more than longest.
double RetryDelay(const std::string& retryAfter, int attempt, long long now, double longest);

}  // namespace carddav
