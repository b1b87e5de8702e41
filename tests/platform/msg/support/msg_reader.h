// The MSG reader of npm (@kenjiuno/msgreader) and its output taken apart.
#pragma once

#include "test_files.h"
#include "tool_runner.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

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

// The tab-separated fields of one line of RunMsgReader's output, unescaped.
inline std::vector<std::string> ReaderFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
            continue;
        }
        if (c == '\\' && i + 1 < line.size()) {
            c = line[++i];
            c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
        fields.back() += c;
    }
    return fields;
}

// The "prop" lines of RunMsgReader's output, by key, unescaped.
inline std::map<std::string, std::string> ReaderProps(const std::string& out) {
    std::map<std::string, std::string> props;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f = ReaderFields(line);
        if (f.size() == 3 && f[0] == "prop") props[f[1]] = f[2];
    }
    return props;
}

// The "values" lines (multi-valued texts) of RunMsgReader's output, by key.
inline std::map<std::string, std::vector<std::string>> ReaderLists(const std::string& out) {
    std::map<std::string, std::vector<std::string>> lists;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f = ReaderFields(line);
        if (f.size() >= 2 && f[0] == "values") lists[f[1]].assign(f.begin() + 2, f.end());
    }
    return lists;
}

}  // namespace testsupport
