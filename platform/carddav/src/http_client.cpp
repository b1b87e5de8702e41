#include <carddav/http_client.h>

#include <carddav/url.h>

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace carddav {

namespace {

constexpr int kMostRedirects = 5;
// A reply longer than this is cut off as an error rather than held: the
// listing of 100,000 vCards takes about 30 MB.
constexpr size_t kLongestReply = size_t(512) << 20;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Trimmed(std::string text) {
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t\r\n") + 1);
    return text;
}

// One exchange's reply, and the schemes its challenges (a 401's
// WWW-Authenticate lines) offered.
struct Exchange {
    HttpResponse response;
    bool basic = false, digest = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* response = &static_cast<Exchange*>(user)->response;
    if (response->body.size() + size * count > kLongestReply) return 0;  // ends the transfer
    response->body.append(data, size * count);
    return size * count;
}

// A stop request ends a transfer that waits on the server.
int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* stop = static_cast<const std::function<bool()>*>(user);
    return *stop && (*stop)() ? 1 : 0;
}

// Each response (a 100 Continue, a 401 before the credentials) starts its
// headers anew with its status line.
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    HttpResponse* response = &exchange->response;
    const std::string line = Trimmed(std::string(data, size * count));
    if (line.rfind("HTTP/", 0) == 0) {
        response->statusLine = line;
        response->headers.clear();
    } else if (const size_t colon = line.find(':'); colon != std::string::npos) {
        const std::string name = Lower(line.substr(0, colon));
        const std::string value = Trimmed(line.substr(colon + 1));
        response->headers[name] = value;
        if (name == "www-authenticate") {
            const std::string scheme = Lower(value.substr(0, value.find(' ')));
            exchange->basic = exchange->basic || scheme == "basic";
            exchange->digest = exchange->digest || scheme == "digest";
        }
    }
    return size * count;
}

long CurlAuth(HttpAuth auth) {
    switch (auth) {
    case HttpAuth::Basic: return long(CURLAUTH_BASIC);
    case HttpAuth::Digest: return long(CURLAUTH_DIGEST);
    case HttpAuth::Either: break;
    }
    return long(CURLAUTH_BASIC | CURLAUTH_DIGEST);
}

bool Busy(const HttpResponse& r) { return r.status == 429 || r.status == 503; }

bool IsRedirect(long status) { return status == 301 || status == 302 || status == 303 || status == 307 || status == 308; }

// Failures of the connection that a later try may not meet.
bool Passing(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return true;
    default: return false;
    }
}

}  // namespace

std::string HttpResponse::Header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
}

struct HttpClient::Impl {
    HttpOptions options;
    CURL* curl = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    // The last request found no server after every try: the next is tried
    // once, until the server answers again, so that a run against a server
    // that has gone does not wait out the pauses of each request.
    bool unanswered = false;

    // One exchange, without redirects or tries; *code is libcurl's result.
    HttpResponse Once(const HttpRequest& request, CURLcode* code) {
        Exchange exchange;
        HttpResponse& response = exchange.response;
        curl_easy_reset(curl);
        error[0] = 0;
        curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!options.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
        curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "Ferrywell");
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CurlAuth(options.auth));
        curl_easy_setopt(curl, CURLOPT_USERNAME, options.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, options.password.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &options.stop);
        if (request.method == "GET") {
            curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        } else if (request.method == "HEAD") {
            curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        } else {
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        }
        curl_slist* headers = curl_slist_append(nullptr, "Expect:");
        for (const std::string& h : request.headers) headers = curl_slist_append(headers, h.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        *code = curl_easy_perform(curl);
        curl_slist_free_all(headers);
        // Basic where the server takes it (sent with each request at once
        // from now on), else Digest.
        if (options.auth == HttpAuth::Either && (exchange.basic || exchange.digest))
            options.auth = exchange.basic ? HttpAuth::Basic : HttpAuth::Digest;
        if (*code != CURLE_OK) {
            response.status = 0;
            response.stopped = *code == CURLE_ABORTED_BY_CALLBACK;
            if (*code == CURLE_WRITE_ERROR) response.error = "the server's reply is too long";
            else if (response.stopped) response.error = "stopped";
            else response.error = error[0] ? std::string(error) : curl_easy_strerror(*code);
            return std::move(response);
        }
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        return std::move(response);
    }

    // The exchange with the redirects on the same host followed.
    HttpResponse Followed(HttpRequest request, CURLcode* code) {
        for (int hop = 0;; ++hop) {
            HttpResponse response = Once(request, code);
            if (!IsRedirect(response.status)) return response;
            const std::string location = response.Header("location");
            const auto from = ParseUrl(request.url);
            const auto to = from ? Resolve(*from, location) : std::nullopt;
            if (location.empty() || !to || !SameHostRedirect(*from, *to)) {
                response.error = "redirected to " + (location.empty() ? std::string("nowhere") : location) +
                                 ", which is not followed off the server";
                return response;
            }
            if (hop == kMostRedirects) {
                response.error = "redirected too often";
                return response;
            }
            request.url = to->ToString();
            if (response.status == 303) {
                request.method = "GET";
                request.body.clear();
            }
        }
    }

    // Pauses for seconds, in short steps so that a stop request ends it;
    // false when one did.
    bool Pause(double seconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < until) {
            if (options.stop && options.stop()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return true;
    }
};

HttpClient::HttpClient(HttpOptions options) : impl_(std::make_unique<Impl>()) {
    GlobalInit();
    impl_->options = std::move(options);
    impl_->curl = curl_easy_init();
}

HttpClient::~HttpClient() {
    if (impl_->curl) curl_easy_cleanup(impl_->curl);
}

HttpResponse HttpClient::Send(const HttpRequest& request) {
    if (!impl_->curl) {
        HttpResponse none;
        none.error = "the HTTP library cannot start";
        return none;
    }
    const HttpOptions& o = impl_->options;
    const int attempts = impl_->unanswered ? 1 : o.attempts;
    for (int attempt = 1;; ++attempt) {
        CURLcode code = CURLE_OK;
        HttpResponse response = impl_->Followed(request, &code);
        const bool again = Busy(response) || (response.status == 0 && Passing(code));
        if (!again || attempt >= attempts) {
            impl_->unanswered = response.status == 0 && Passing(code);
            return response;
        }
        const double wait = RetryDelay(response.Header("retry-after"), attempt + 1, (long long)std::time(nullptr),
                                       o.longestPauseSeconds);
        if (!impl_->Pause(wait)) {
            response.stopped = true;
            return response;
        }
    }
}

HttpAuth HttpClient::Auth() const { return impl_->options.auth; }

}  // namespace carddav
