#include "golden_dump.h"

#include <support/test_files.h>
#include <support/tool_runner.h>

#include <msg/msg_file.h>
#include <pst/pst_file.h>

#include <base/hash.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace exporttest {

namespace fs = std::filesystem;

namespace {

// Properties whose values change with every run: the times an item or
// folder was made or changed, and the ids and keys a store hands out.
const std::set<uint16_t>& VaryingTags() {
    static const std::set<uint16_t> tags{
        0x0039,  // PidTagClientSubmitTime
        0x0E06,  // PidTagMessageDeliveryTime
        0x0FF9,  // PidTagRecordKey
        0x0FFF,  // PidTagEntryId
        0x300B,  // PidTagSearchKey
        0x3007,  // PidTagCreationTime
        0x3008,  // PidTagLastModificationTime
        0x65E2,  // PidTagChangeKey
        0x65E3,  // PidTagPredecessorChangeList
        0x0E09,  // PidTagParentEntryId
        0x0FFB,  // PidTagStoreEntryId
        0x0FFA,  // PidTagStoreRecordKey
    };
    return tags;
}

std::string Hex(const uint8_t* bytes, size_t n) {
    std::string out;
    char buf[3];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

std::string KeyText(const mapi::PropertyKey& key) {
    char buf[64];
    if (!key.IsNamed()) {
        std::snprintf(buf, sizeof buf, "0x%04X/%04X", key.TagId(), unsigned(key.type));
        return buf;
    }
    const mapi::NamedProperty& name = key.Name();
    std::string out = "{" + Hex(name.propertySet.data(), name.propertySet.size()) + "}:";
    if (name.IsString()) out += "'" + name.name + "'";
    else {
        std::snprintf(buf, sizeof buf, "0x%04X", name.lid);
        out += buf;
    }
    std::snprintf(buf, sizeof buf, "/%04X", unsigned(key.type));
    return out + buf;
}

std::string ValueText(const mapi::PropertyValue& value) {
    struct Visitor {
        std::string operator()(int32_t v) const { return "i32 " + std::to_string(v); }
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(int64_t v) const { return "i64 " + std::to_string(v); }
        std::string operator()(const std::string& v) const { return "text[" + std::to_string(v.size()) + "] " + v; }
        std::string operator()(mapi::FileTime v) const { return "time " + std::to_string(v.ticks); }
        std::string operator()(const mapi::Binary& v) const { return "bin " + Hex(v.data(), v.size()); }
        std::string operator()(const mapi::Guid& v) const { return "guid " + Hex(v.data(), v.size()); }
        std::string operator()(const mapi::MultiBinary& v) const {
            std::string out = "bins";
            for (const auto& b : v) out += " " + Hex(b.data(), b.size());
            return out;
        }
        std::string operator()(const mapi::Strings& v) const {
            std::string out = "texts";
            for (const auto& s : v) out += " [" + std::to_string(s.size()) + "] " + s;
            return out;
        }
    };
    return std::visit(Visitor{}, value);
}

bool Varying(const mapi::PropertyKey& key) {
    if (key.IsNamed()) return false;
    return VaryingTags().count(key.TagId()) != 0;
}

std::string DumpBag(const mapi::PropertyBag& bag) {
    std::string out;
    for (const auto& [key, value] : bag.All())
        if (!Varying(key)) out += "  " + KeyText(key) + " = " + ValueText(value) + "\n";
    return out;
}

void DumpPstFolder(const pst::PstFile& file, pst::Nid nid, const std::string& path, std::string& out) {
    const auto info = file.Folder(nid);
    if (!info) return;
    out += "folder " + path + " (" + info->containerClass + ", " + std::to_string(info->contentCount) + " items)\n";
    for (pst::Nid message : file.Messages(nid)) {
        out += " item\n";
        out += DumpBag(file.ReadMessage(message));
        for (const mapi::PropertyBag& attachment : file.ReadAttachments(message)) out += " attachment\n" + DumpBag(attachment);
    }
    for (const pst::FolderInfo& sub : file.Subfolders(nid)) DumpPstFolder(file, sub.nid, path + "/" + sub.name, out);
}

std::string DumpPst(const fs::path& path) {
    const auto file = pst::PstFile::Open(path.string(), false);
    std::string out;
    DumpPstFolder(*file, file->IpmSubtree(), "", out);
    return out;
}

std::string DumpPdf(const fs::path& path) {
    const std::string quoted = testsupport::Quote(path.string());
    const testsupport::ToolResult info = testsupport::Run("pdfinfo " + quoted + " | grep '^Pages:'");
    const testsupport::ToolResult text = testsupport::Run("pdftotext -layout " + quoted + " -");
    return info.out + text.out;
}

// The name without what changes with the time of the run.
std::string StableName(const std::string& name) {
    if (name.rfind("RecoverData", 0) == 0) return "RecoverData";
    if (const size_t at = name.find("-Corvane-"); at != std::string::npos) return name.substr(0, at) + "-Corvane.pst";
    return name;
}

// An MHTML file with its Date header, the time it was written, left out.
std::string DumpMhtml(const fs::path& path) {
    std::string text = testsupport::ReadFile(path);
    if (const size_t at = text.find("\r\nDate: "); at != std::string::npos) {
        const size_t end = text.find("\r\n", at + 2);
        text.replace(at + 2, end - at - 2, "Date: (when written)");
    }
    return text;
}

std::string Content(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (ext == ".mhtml") return DumpMhtml(path);
    if (ext == ".pst") return DumpPst(path);
    if (ext == ".msg") return DumpBag(msg::ReadMsgFile(path.string()));
    if (ext == ".pdf") return DumpPdf(path);
    return testsupport::ReadFile(path);
}

}  // namespace

std::string DumpExport(const fs::path& folder) {
    static const std::set<std::string> kOutputs{".msg", ".html", ".txt", ".doc", ".rtf", ".mhtml",
                                                ".vcf", ".pdf", ".csv", ".pst"};
    std::vector<std::pair<std::string, fs::path>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !kOutputs.count(entry.path().extension().string())) continue;
        std::string shown;
        for (const auto& part : fs::relative(entry.path(), folder)) shown += "/" + StableName(part.string());
        files.emplace_back(shown, entry.path());
    }
    std::sort(files.begin(), files.end());
    std::string out;
    for (const auto& [shown, path] : files) out += "=== " + shown + "\n" + Content(path) + "\n";
    return out;
}

std::string DigestOfDump(const std::string& dump) {
    std::string out;
    size_t at = dump.find("=== ");
    while (at != std::string::npos) {
        const size_t lineEnd = dump.find('\n', at);
        size_t next = dump.find("\n=== ", lineEnd);
        if (next != std::string::npos) ++next;
        const std::string_view content =
            std::string_view(dump).substr(lineEnd + 1, (next == std::string::npos ? dump.size() : next) - lineEnd - 1);
        char hash[32];
        std::snprintf(hash, sizeof hash, "%016llX", static_cast<unsigned long long>(base::Fnv1a64(content)));
        out += dump.substr(at + 4, lineEnd - at - 4) + "  " + std::to_string(content.size()) + "  " + hash + "\n";
        at = next;
    }
    return out;
}

}  // namespace exporttest
