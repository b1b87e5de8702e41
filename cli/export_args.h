// The arguments of `ferrywell-cli export`, parsed and checked.
#pragma once

#include <exporting/export_job.h>

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ExportArgs {
    std::string database;
    exporting::ExportOptions options;
    std::vector<std::string> folders;  // mailbox form; empty: every folder
    bool selectedItems = false;        // the --folder/--items form
    std::string folder;
    bool allItems = false;
    std::vector<uint32_t> items;
};

// The parsed arguments (argv after "export"), or a usage error in *error.
std::optional<ExportArgs> ParseExportArgs(const std::vector<std::string>& args, std::string* error);

// "1GB".."5GB", or a number with KB, MB or GB (1024-based); 0 when invalid.
uint64_t ParseSize(const std::string& text);

}  // namespace cli
