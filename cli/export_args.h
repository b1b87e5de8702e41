// The arguments of `ferrywell-cli export`, parsed and checked.
#pragma once

#include <exporting/request.h>

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ExportArgs {
    // The database, kind, destination and options; the folders or entries
    // are filled in from the names below once the database is analysed.
    exporting::ExportRequest request;
    std::vector<std::string> folders;  // tree export; empty: every folder
    bool selectedItems = false;        // the --folder/--items form
    std::string folder;
    bool allItems = false;
    std::vector<uint32_t> items;
};

// The parsed arguments (argv after "export"), or a usage error in *error.
// The request is checked as the export will check it, with its problems said
// in the command line's own words.
std::optional<ExportArgs> ParseExportArgs(const std::vector<std::string>& args, std::string* error);

}  // namespace cli
