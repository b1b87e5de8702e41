#include <carddav/http_client.h>

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace carddav {

double RetryDelay(const std::string& retryAfter, int attempt, long long now, double longest) {
    const double backOff = std::ldexp(1.0, std::clamp(attempt - 2, 0, 16));
    std::string value = retryAfter;
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    double wait = backOff;
    if (!value.empty() && std::all_of(value.begin(), value.end(), ::isdigit)) {
        wait = value.size() > 9 ? longest : std::stod(value);
    } else if (!value.empty()) {
        const time_t at = curl_getdate(value.c_str(), nullptr);
        if (at != -1) wait = std::max(0.0, double(at - now));
    }
    return std::min(wait, longest);
}

}  // namespace carddav
