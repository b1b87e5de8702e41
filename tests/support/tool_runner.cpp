#include "tool_runner.h"
#include "test_files.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

bool HaveTool(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string d; std::getline(dirs, d, ':');)
        if (!d.empty() && ::access((d + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolResult Run(const std::string& command) {
    ToolResult r;
    const std::string limited = "timeout -k 5 " + std::to_string(kToolTimeoutSeconds) + " sh -c " + Quote(command);
    FILE* p = ::popen((limited + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

int RunTool(const std::string& command, std::string* output) {
    ToolResult r = Run(command);
    if (output) *output = std::move(r.out);
    return r.exitCode;
}

ToolResult RunPython(const std::string& script, const std::string& args) {
    TempDir dir;
    const std::string file = dir.Write("check.py", script);
    return Run(std::string(kPython) + " " + Quote(file) + " " + args);
}

}  // namespace testsupport
