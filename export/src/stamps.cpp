#include "stamps.h"

#include <cstdio>
#include <ctime>

namespace exporting {

namespace {

struct LocalNow {
    std::tm tm{};
    int ms = 0;
};

LocalNow Now() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    LocalNow n;
    ::localtime_r(&ts.tv_sec, &n.tm);
    n.ms = int(ts.tv_nsec / 1000000);
    return n;
}

}  // namespace

std::string PstStamp(bool listExport) {
    const LocalNow n = Now();
    char buf[96];
    std::snprintf(buf, sizeof buf, listExport ? "%d%d%d-%d%d%d%d" : "%d-%d-%d %d %d %d %d", n.tm.tm_mday,
                  n.tm.tm_mon + 1, n.tm.tm_year + 1900, n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.ms);
    return buf;
}

std::string RecoverDataStamp() {
    const LocalNow n = Now();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d%d%d%d", n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.ms);
    return buf;
}

}  // namespace exporting
