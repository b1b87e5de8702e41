#include "export_args.h"

#include <notes/field_rules.h>

#include <algorithm>

namespace cli {

namespace {

using exporting::OutputKind;
using exporting::RequestProblem;

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

// A problem of the request, in the words of the options that cause it.
std::string UsageText(const exporting::RequestCheck& check, const exporting::ExportOptions& o) {
    switch (check.problem) {
    case RequestProblem::NoDestination:
        if (o.kind == OutputKind::CardDav) return "--to URL is required";
        return o.kind == OutputKind::Profile ? "--as profile needs --profile-folder '\\\\Store\\Folder'" : "--to DIR is required";
    case RequestProblem::BadAddressBook: return "--to: " + check.text;
    case RequestProblem::NoUser: return "--as carddav needs --user NAME";
    case RequestProblem::SplitWithoutPst: return "--split goes with --as pst only";
    case RequestProblem::NoSplitSize: return "--split takes 1GB..5GB or a number with KB, MB or GB";
    default: return check.text;
    }
}

}  // namespace

std::optional<ExportArgs> ParseExportArgs(const std::vector<std::string>& args, std::string* error) {
    auto fail = [&](std::string text) -> std::optional<ExportArgs> {
        *error = std::move(text);
        return std::nullopt;
    };
    ExportArgs a;
    exporting::ExportOptions& o = a.request.options;
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
            ok = value(&o.naming);
            o.namingOn = true;
        } else if (arg == "--split") ok = value(&split);
        else if (arg == "--filter-start") ok = haveStart = value(&start);
        else if (arg == "--filter-end") ok = haveEnd = value(&end);
        else if (arg == "--with-attachments") o.requireAttachments = true;
        else if (arg == "--skip-saved") o.skipSaved = true;
        else if (arg == "--wait") a.request.waitForDestination = true;
        else if (arg == "--user") ok = value(&o.user);
        else if (arg == "--ca-file") ok = value(&o.caFile);
        else if (arg == "--overwrite") o.overwrite = true;
        else if (arg == "--address-book") ok = value(&o.addressBook);
        else if (!arg.empty() && arg[0] == '-') return fail("unknown option " + arg);
        else if (a.request.database.empty()) a.request.database = arg;
        else return fail("unexpected argument " + arg);
        if (!ok) return fail(arg + " needs a value");
    }
    if (a.request.database.empty()) return fail("no database given");
    if (kindText.empty()) return fail("--as KIND is required");
    auto kind = exporting::KindFromMode(kindText == "profile" ? "pst1" : kindText);
    if (!kind || kindText == "pst1") return fail("unknown kind " + kindText);
    o.kind = *kind;

    a.selectedItems = haveFolder || haveItems;
    if (a.selectedItems) {
        if (!haveFolder || !haveItems) return fail("--folder and --items go together");
        if (haveFolders) return fail("--folders cannot be combined with --folder/--items");
        a.request.listed.emplace();
        if (items == "all") a.allItems = true;
        else
            for (const auto& no : SplitList(items)) {
                uint32_t v = 0;
                if (!ParseIndex(no, &v)) return fail("--items takes NO values or all, not " + no);
                a.items.push_back(v);
            }
    }
    if (*kind == OutputKind::Profile) {
        if (!profileFolder.empty() && profileFolder.rfind("\\\\", 0) != 0)
            return fail("--profile-folder takes a path like \\\\Store\\Folder");
        o.destination = profileFolder;
    } else {
        if (!profileFolder.empty()) return fail("--profile-folder goes with --as profile only");
        o.destination = to;
    }
    if (!split.empty()) {
        o.splitPst = true;
        o.splitSize = exporting::ParseSplitSize(split).value_or(0);
    }
    if ((!o.user.empty() || !o.caFile.empty() || o.overwrite || !o.addressBook.empty()) && *kind != OutputKind::CardDav)
        return fail("--user, --ca-file, --overwrite and --address-book go with --as carddav only");
    if (haveStart != haveEnd) return fail("--filter-start and --filter-end go together");
    if (haveStart) {
        o.filterOn = true;
        o.filterStart = notes::ConvertString2Date(start);
        o.filterEnd = notes::ConvertString2Date(end);
    }
    const exporting::RequestCheck check = exporting::CheckRequest(a.request);
    if (!check.Ok()) return fail(UsageText(check, o));
    return a;
}

}  // namespace cli
