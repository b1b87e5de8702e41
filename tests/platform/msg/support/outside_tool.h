// Runs the outside tools that check our files (msgconvert, olefile, vobject,
// pdftotext, ...). A missing tool fails the calling test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

inline ToolResult Run(const std::string& command) {
    ToolResult r;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
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
