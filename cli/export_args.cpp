#include "export_args.h"

#include <notes/field_rules.h>

#include <algorithm>
#include <cctype>

namespace cli {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (true) {
        size_t comma = text.find(',', at);
        out.push_back(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return out;
}

bool ParseIndex(const std::string& text, uint32_t* value) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    *value = uint32_t(std::stoul(text));
    return true;
}

}  // namespace

uint64_t ParseSize(const std::string& text) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0 || digits > 12) return 0;
    std::string unit = text.substr(digits);
    for (char& c : unit) c = char(std::toupper(static_cast<unsigned char>(c)));
    uint64_t n = std::stoull(text.substr(0, digits));
    uint64_t scale = unit == "KB" ? 1024ull : unit == "MB" ? 1024ull * 1024 : unit == "GB" ? exporting::kGiB : 0;
    return n * scale;
}

std::optional<ExportArgs> ParseExportArgs(const std::vector<std::string>& args, std::string* error) {
    auto fail = [&](std::string text) -> std::optional<ExportArgs> {
        *error = std::move(text);
        return std::nullopt;
    };
    ExportArgs a;
    std::string kindText, to, profileFolder, start, end, items, split;
    bool haveStart = false, haveEnd = false, haveItems = false, haveFolder = false, haveFolders = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= args.size()) return false;
            *into = args[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--as") ok = value(&kindText);
        else if (arg == "--to") ok = value(&to);
        else if (arg == "--profile-folder") ok = value(&profileFolder);
        else if (arg == "--folders") {
            std::string list;
            ok = value(&list);
            a.folders = SplitList(list);
            haveFolders = true;
        } else if (arg == "--folder") ok = haveFolder = value(&a.folder);
        else if (arg == "--items") ok = haveItems = value(&items);
        else if (arg == "--naming") {
            ok = value(&a.options.naming);
            a.options.namingOn = true;
        } else if (arg == "--split") ok = value(&split);
        else if (arg == "--filter-start") ok = haveStart = value(&start);
        else if (arg == "--filter-end") ok = haveEnd = value(&end);
        else if (arg == "--with-attachments") a.options.requireAttachments = true;
        else if (!arg.empty() && arg[0] == '-') return fail("unknown option " + arg);
        else if (a.database.empty()) a.database = arg;
        else return fail("unexpected argument " + arg);
        if (!ok) return fail(arg + " needs a value");
    }
    if (a.database.empty()) return fail("no database given");
    if (kindText.empty()) return fail("--as KIND is required");
    auto kind = exporting::KindFromMode(kindText == "profile" ? "pst1" : kindText);
    if (!kind || kindText == "pst1") return fail("unknown kind " + kindText);
    a.options.kind = *kind;

    a.selectedItems = haveFolder || haveItems;
    if (a.selectedItems) {
        if (!haveFolder || !haveItems) return fail("--folder and --items go together");
        if (haveFolders) return fail("--folders cannot be combined with --folder/--items");
        if (*kind == exporting::OutputKind::Doc || *kind == exporting::OutputKind::Mhtml)
            return fail("the selected-items export has no kind " + kindText);
        if (items == "all") a.allItems = true;
        else
            for (const auto& no : SplitList(items)) {
                uint32_t v = 0;
                if (!ParseIndex(no, &v)) return fail("--items takes NO values or all, not " + no);
                a.items.push_back(v);
            }
    }
    if (*kind == exporting::OutputKind::Profile) {
        if (profileFolder.empty()) return fail("--as profile needs --profile-folder '\\\\Store\\Folder'");
        if (profileFolder.rfind("\\\\", 0) != 0) return fail("--profile-folder takes a path like \\\\Store\\Folder");
        a.options.destination = profileFolder;
    } else {
        if (!profileFolder.empty()) return fail("--profile-folder goes with --as profile only");
        if (to.empty()) return fail("--to DIR is required");
        a.options.destination = to;
    }
    if (a.options.namingOn &&
        std::find(exporting::kNamingConventions.begin(), exporting::kNamingConventions.end(), a.options.naming) ==
            exporting::kNamingConventions.end())
        return fail("unknown naming pattern " + a.options.naming);
    if (!split.empty()) {
        if (*kind != exporting::OutputKind::Pst) return fail("--split goes with --as pst only");
        a.options.splitPst = true;
        a.options.splitSize = ParseSize(split);
        if (a.options.splitSize == 0) return fail("--split takes 1GB..5GB or a number with KB, MB or GB");
    }
    if (haveStart != haveEnd) return fail("--filter-start and --filter-end go together");
    if (haveStart) {
        a.options.filterOn = true;
        a.options.filterStart = notes::ConvertString2Date(start);
        a.options.filterEnd = notes::ConvertString2Date(end);
        if (!a.options.filterStart.valid || !a.options.filterEnd.valid)
            return fail("filter dates are written 'YYYY-MM-DD HH:MM:SS'");
    }
    return a;
}

}  // namespace cli
