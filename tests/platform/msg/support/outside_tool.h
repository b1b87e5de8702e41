// Runs the outside tools that check our files (msgconvert, olefile, vobject,
// pdftotext, msgreader, ...). A missing tool fails the calling test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace format_check {

struct ToolResult {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

inline bool HaveTool(const std::string& name) {
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string d; std::getline(dirs, d, ':');)
        if (!d.empty() && ::access((d + "/" + name).c_str(), X_OK) == 0) return true;
    return false;
}

// Single-quotes an argument for /bin/sh.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A tool still running after this long is killed (exit code 124), so one
// caught in a loop fails the test instead of hanging it.
inline constexpr int kToolTimeoutSeconds = 120;

inline ToolResult Run(const std::string& command) {
    ToolResult r;
    const std::string limited = "timeout -k 5 " + std::to_string(kToolTimeoutSeconds) + " sh -c " + Quote(command);
    FILE* p = ::popen((limited + " 2>&1").c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// Debian's interpreter, which has python3-olefile and python3-vobject.
inline constexpr const char* kPython = "/usr/bin/python3";

// Runs a Python script with arguments; the test fails when Python or the
// module the script imports is missing.
inline ToolResult RunPython(const std::string& script, const std::string& args) {
    std::string pattern = (std::filesystem::temp_directory_path() / "fw-py-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return {};
    const std::filesystem::path dir = pattern;
    const auto file = dir / "check.py";
    std::ofstream(file) << script;
    ToolResult result = Run(std::string(kPython) + " " + Quote(file.string()) + " " + args);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return result;
}

// The properties @kenjiuno/msgreader reads from an MSG file (tests/npm,
// installed by scripts/install-deps.sh): "prop<TAB>key<TAB>value" lines, keys
// as hex ids ("3001") or "lid:8005" for numeric named properties, texts with
// tabs, line breaks and backslashes escaped. Fails when a reader is missing.
inline ToolResult RunMsgReader(const std::string& msgPath) {
    const std::string dir = std::string(FERRYWELL_SOURCE_DIR) + "/tests/npm";
    if (!HaveTool("node")) return {-1, "node (Debian package nodejs) is required"};
    if (!std::filesystem::exists(dir + "/node_modules/@kenjiuno/msgreader/package.json"))
        return {-1, "@kenjiuno/msgreader is not installed; run scripts/install-deps.sh"};
    return Run("node " + Quote(dir + "/msg-dump.js") + " " + Quote(msgPath));
}

// The "prop" lines of RunMsgReader's output, by key, unescaped.
inline std::map<std::string, std::string> ReaderProps(const std::string& out) {
    std::map<std::string, std::string> props;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (line.compare(0, a, "prop") != 0 || b == std::string::npos) continue;
        std::string value;
        for (size_t i = b + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                c = line[++i];
                c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
            value += c;
        }
        props[line.substr(a + 1, b - a - 1)] = value;
    }
    return props;
}

inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A fresh, empty directory for one test, removed afterwards.
class ScratchDir {
public:
    ScratchDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("fw-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace format_check

#define REQUIRE_TOOL(name) ASSERT_TRUE(::format_check::HaveTool(name)) << "checking tool missing: " << (name)
