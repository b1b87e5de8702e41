// The shared outside-tool runner and temporary folders (tests/support) under
// the names the format tests know them by.
#pragma once

#include "test_files.h"
#include "tool_runner.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace format_check {

using testsupport::HaveTool;
using testsupport::kPython;
using testsupport::Quote;
using testsupport::ReadFile;
using testsupport::RunPython;
using testsupport::ToolResult;
using ScratchDir = testsupport::TempDir;

inline ToolResult Run(const std::string& command) { return testsupport::RunTool(command); }

}  // namespace format_check
