#include "outside_readers.h"

#include <array>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <random>
#include <cctype>
#include <sstream>
#include <sys/wait.h>

namespace testsupport {

namespace fs = std::filesystem;

std::optional<std::string> PffItem::Text(uint32_t id) const {
    auto it = values.find(id);
    if (it == values.end()) return std::nullopt;
    std::u16string w;
    for (size_t i = 0; i + 1 < it->second.size(); i += 2) w.push_back(char16_t(it->second[i] | it->second[i + 1] << 8));
    return mapi::Utf16ToUtf8(w);
}

namespace {
PffItem ParseDump(const fs::path& file) {
    PffItem item;
    item.folder = file.parent_path().parent_path();
    std::istringstream in(ReadFile(file.string()));
    std::string line;
    uint32_t id = 0;
    std::vector<uint8_t>* target = nullptr;  // a string-named property's value
    bool inValue = false;
    bool created = false;  // the entry's own id was not a key before it
    while (std::getline(in, line)) {
        auto field = [&](const char* key) -> std::optional<uint32_t> {
            if (line.rfind(key, 0) != 0) return std::nullopt;
            return uint32_t(std::stoul(line.substr(line.find("0x")), nullptr, 16));
        };
        if (auto v = field("Entry type:")) {
            id = *v;
            target = nullptr;
            inValue = false;
            created = item.values.emplace(id, std::vector<uint8_t>()).second;  // an empty value has no "Value:" lines
        } else if (auto m = field("Maps to entry type:")) {
            // A named property's stored id may equal the long id another
            // one maps to: drop only what this entry added.
            if (created) item.values.erase(id);
            id = *m;
            item.values[id];
        } else if (line.rfind("Maps to entry:", 0) == 0) {
            if (created) item.values.erase(id);
            const std::string name = line.substr(line.find_first_not_of("\t ", std::strlen("Maps to entry:")));
            target = &item.named[name];
        } else if (line.rfind("Value:", 0) == 0) {
            inValue = true;
        } else if (inValue && line.rfind("0x", 0) == 0) {
            // "0x00000000: " then 16 hex bytes in two groups of eight, then the text column.
            size_t start = line.find(':') + 2;
            for (size_t i = 0; i < 16; ++i) {
                size_t at = start + 3 * i + (i >= 8 ? 1 : 0);
                if (at + 2 > line.size() || line[at] == ' ') break;
                (target ? *target : item.values[id]).push_back(uint8_t(std::stoul(line.substr(at, 2), nullptr, 16)));
            }
        } else if (line.empty()) {
            inValue = false;
        }
    }
    return item;
}
}  // namespace

namespace {
const std::string kNodeReaders = std::string(FERRYWELL_SOURCE_DIR) + "/tests/npm";

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        out.push_back(Unescape(line.substr(start, tab - start)));
        if (tab == std::string::npos) return out;
        start = tab + 1;
    }
}
}  // namespace

std::string MissingNodeReaders() {
    if (!HaveTool("node")) return "node (Debian package nodejs) is required";
    for (const char* module : {"pst-extractor", "@kenjiuno/msgreader"})
        if (!fs::exists(kNodeReaders + "/node_modules/" + module + "/package.json"))
            return std::string(module) + " is not installed; run scripts/install-deps.sh";
    return "";
}

mapi::Binary BytesFromHex(const std::string& hex) {
    mapi::Binary out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

mapi::MultiBinary SplitPstMultiBinary(const mapi::Binary& raw) {
    auto get32 = [&raw](size_t at) {
        return raw[at] | raw[at + 1] << 8 | raw[at + 2] << 16 | uint32_t(raw[at + 3]) << 24;
    };
    mapi::MultiBinary out;
    if (raw.size() < 4) return out;
    const uint32_t count = get32(0);
    if (raw.size() < 4 + 4 * size_t(count)) return out;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t start = get32(4 + 4 * i), end = i + 1 < count ? get32(8 + 4 * i) : raw.size();
        if (start > end || end > raw.size()) return {};
        out.emplace_back(raw.begin() + start, raw.begin() + end);
    }
    return out;
}

namespace {
ReadAttachment AttachmentOf(const std::vector<std::string>& f) {
    const mapi::Binary bytes = BytesFromHex(f[4]);
    return {f[1], f[2], f[3] == "1", std::string(bytes.begin(), bytes.end())};
}
}  // namespace

std::vector<ReadAttachment> AttachmentsIn(const std::string& output) {
    std::vector<ReadAttachment> out;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (std::vector<std::string> f = Fields(line); f[0] == "attachment" && f.size() == 5) out.push_back(AttachmentOf(f));
    return out;
}

ExtractorView ReadWithPstExtractor(const std::string& pst) {
    ExtractorView view;
    view.exitCode = RunTool("node " + Quote(kNodeReaders + "/pst-dump.js") + " " + Quote(pst), &view.output);
    std::istringstream in(view.output);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> f = Fields(line);
        if (f[0] == "store" && f.size() == 2) view.store = f[1];
        else if (f[0] == "folder" && f.size() == 3) view.folders[f[1]] = std::stoi(f[2]);
        else if (f[0] == "item" && f.size() == 2) view.items.push_back({f[1], {}, {}, {}});
        else if (f[0] == "prop" && f.size() == 3 && !view.items.empty()) view.items.back().props[f[1]] = f[2];
        else if (f[0] == "values" && f.size() >= 2 && !view.items.empty())
            view.items.back().lists[f[1]].assign(f.begin() + 2, f.end());
        else if (f[0] == "attachment" && f.size() == 5 && !view.items.empty())
            view.items.back().attachments.push_back(AttachmentOf(f));
    }
    return view;
}

std::string ExtractorKey(const mapi::PropertyKey& key) {
    if (key.IsNamed() && key.Name().IsString()) return "name:" + key.Name().name;
    char buf[16];
    std::snprintf(buf, sizeof buf, key.IsNamed() ? "lid:%04x" : "%04x", key.IsNamed() ? key.Name().lid : key.TagId());
    return buf;
}

std::vector<PffItem> PffExportItems(const std::string& pst, const std::string& workDir) {
    std::string base = workDir + "/pff";
    std::string out;
    RunTool("pffexport -q -m items -d -t " + Quote(base) + " " + Quote(pst), &out);
    std::vector<PffItem> items;
    if (!fs::exists(base + ".export")) return items;
    for (const auto& e : fs::recursive_directory_iterator(base + ".export"))
        if (e.path().filename() == "ItemValues.txt") {
            PffItem item = ParseDump(e.path());
            // Its attachments, written beside it as "1_name", "2_name"...
            const fs::path attachments = e.path().parent_path() / "Attachments";
            if (fs::is_directory(attachments))
                for (const auto& a : fs::directory_iterator(attachments)) {
                    const std::string name = a.path().filename().string();
                    if (const size_t mark = name.find('_'); mark != std::string::npos && mark > 0 && std::isdigit(uint8_t(name[0])))
                        item.files[name.substr(mark + 1)] = ReadFile(a.path());
                }
            if (item.values.count(0x001A)) items.push_back(std::move(item));  // folders have no message class
        }
    return items;
}

}  // namespace testsupport
