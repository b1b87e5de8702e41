#include <trellisgate/report.h>

#include <registry/win32_error.h>

#include <cstdio>
#include <syslog.h>

namespace trellisgate {

namespace {

// Longest line the error text may have: a 260-byte buffer with its terminator.
constexpr size_t kMaxErrorLine = 259;

void CutAtCharBoundary(std::string& text, size_t max) {
    if (text.size() <= max) return;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
}

}  // namespace

ConsoleReporter::ConsoleReporter() {
    ::openlog("trellisgate", LOG_PID, LOG_USER);
}

ConsoleReporter::~ConsoleReporter() {
    ::closelog();
}

void ConsoleReporter::Line(const std::string& text) {
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
    ::syslog(LOG_DEBUG, "%s", text.c_str());
}

void ConsoleReporter::Alert(const std::string& text, const std::string& /*caption*/) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void PrintError(Reporter& report, std::string_view what, uint32_t code) {
    std::string line = "Error - ";
    line += what;
    line += " : ";
    line += registry::SystemMessageText(code);
    CutAtCharBoundary(line, kMaxErrorLine);
    report.Line(line);
}

int ExitCodeFor(uint32_t code) {
    return code == registry::kErrorAccessDenied ? 5 : 1;
}

}  // namespace trellisgate
