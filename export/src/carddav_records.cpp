#include "carddav_records.h"

#include <exporting/ensure_path.h>

#include <base/atomic_file.h>
#include <base/hash.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace exporting {

namespace {

constexpr const char* kHeader = "ferrywell carddav records 1";

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    size_t at = 0;
    while (true) {
        const size_t tab = line.find('\t', at);
        out.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) return out;
        at = tab + 1;
    }
}

// A field that could break the line it is written on is not recorded.
bool Writable(const std::string& text) { return text.find_first_of("\t\r\n") == std::string::npos; }

}  // namespace

std::string CardRecordsFolder() {
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x) return std::string(x) + "/ferrywell/carddav";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/state/ferrywell/carddav";
}

std::string CardRecords::PathFor(const std::string& url, const std::string& user) {
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.records", (unsigned long long)base::Fnv1a64(user + "\n" + url));
    return CardRecordsFolder() + "/" + name;
}

bool CardRecords::Load(const std::string& url, const std::string& user, std::string* why) {
    path_ = PathFor(url, user);
    records_.clear();
    dirty_ = false;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return true;  // nothing stored yet
    std::stringstream text;
    text << in.rdbuf();
    if (text.str().rfind(kHeader, 0) != 0) {
        *why = path_ + " is not a record of stored contacts";
        return false;
    }
    records_ = Parse(text.str());
    return true;
}

std::map<std::string, CardRecord> CardRecords::Parse(const std::string& text) {
    std::map<std::string, CardRecord> out;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        if (f.size() != 5 || f[0].empty()) continue;
        CardRecord r;
        r.etag = f[1];
        char* end = nullptr;
        r.digest = std::strtoull(f[2].c_str(), &end, 16);
        r.source.modified.ticks = std::strtoll(f[3].c_str(), &end, 10);
        r.source.sequence = uint32_t(std::strtoul(f[4].c_str(), &end, 10));
        out[f[0]] = std::move(r);
    }
    return out;
}

std::string CardRecords::Text() const {
    std::string out = std::string(kHeader) + "\n";
    char digest[24];
    for (const auto& [name, r] : records_) {
        if (!Writable(name) || !Writable(r.etag)) continue;
        std::snprintf(digest, sizeof digest, "%016llx", (unsigned long long)r.digest);
        out += name + "\t" + r.etag + "\t" + digest + "\t" + std::to_string(r.source.modified.ticks) + "\t" +
               std::to_string(r.source.sequence) + "\n";
    }
    return out;
}

bool CardRecords::Save(std::string* why) {
    if (!dirty_ || path_.empty()) return true;
    if (!EnsurePathExists(CardRecordsFolder(), why)) return false;
    try {
        base::WriteFileAtomically(path_, Text());
    } catch (const base::IoError& e) {
        *why = "Cannot write " + path_ + ": " + e.what();
        return false;
    }
    dirty_ = false;
    return true;
}

const CardRecord* CardRecords::Find(const std::string& name) const {
    auto it = records_.find(name);
    return it == records_.end() ? nullptr : &it->second;
}

void CardRecords::Put(const std::string& name, CardRecord record) {
    records_[name] = std::move(record);
    dirty_ = true;
}

}  // namespace exporting
