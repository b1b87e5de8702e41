// Runs the outside tools that check our files (readpst, pffexport,
// msgconvert, olefile, vobject, pdftotext, unrtf, ...). A missing tool fails
// the calling test.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

struct ToolResult {
    int exitCode = -1;
    std::string out;  // stdout and stderr together
};

// A tool still running after this long is killed (exit code 124), so that
// one caught in a loop fails the test instead of hanging it.
inline constexpr int kToolTimeoutSeconds = 120;

// True when the program is on PATH (or, given with a slash, executable).
bool HaveTool(const std::string& name);
// Single-quotes an argument for /bin/sh.
std::string Quote(const std::string& s);
// Runs a shell command line.
ToolResult Run(const std::string& command);
// The same, returning the exit code and storing the output in *output.
int RunTool(const std::string& command, std::string* output = nullptr);

// Debian's interpreter, which has python3-olefile and python3-vobject.
inline constexpr const char* kPython = "/usr/bin/python3";
// Runs a Python script with arguments; fails when Python or the module the
// script imports is missing.
ToolResult RunPython(const std::string& script, const std::string& args);

}  // namespace testsupport

#define REQUIRE_TOOL(name) ASSERT_TRUE(::testsupport::HaveTool(name)) << "checking tool missing: " << (name)
