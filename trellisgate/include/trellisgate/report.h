// Where Trellisgate's report lines and its one alert go, and the error line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trellisgate {

class Reporter {
public:
    virtual ~Reporter() = default;
    // One report line.
    virtual void Line(const std::string& text) = 0;
    // A notice the user must see (a message box on a desktop).
    virtual void Alert(const std::string& text, const std::string& caption) = 0;
};

// Report lines go to standard output and to syslog at debug priority; alerts
// go to standard error.
class ConsoleReporter final : public Reporter {
public:
    ConsoleReporter();
    ~ConsoleReporter() override;
    ConsoleReporter(const ConsoleReporter&) = delete;
    ConsoleReporter& operator=(const ConsoleReporter&) = delete;
    void Line(const std::string& text) override;
    void Alert(const std::string& text, const std::string& caption) override;
};

// Reports "Error - <what> : <system message text for code>", at most 259
// bytes and never cut inside a UTF-8 character.
void PrintError(Reporter& report, std::string_view what, uint32_t code);

// The exit code for a failure with Win32 error `code`: 5 for access denied,
// else 1.
int ExitCodeFor(uint32_t code);

}  // namespace trellisgate
