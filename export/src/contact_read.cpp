// Reading a contact document: every item with all its values, the rich
// texts and the two dates.
#include <exporting/contact_map.h>

#include <base/ascii.h>
#include <notes/field_rules.h>

#include <array>
#include <unordered_set>

namespace exporting {

namespace {

const std::string kBlank(notes::kExporterDefault);

bool StartsWith(std::string_view text, char c) { return !text.empty() && text.front() == c; }

// The item's values split where ReadDateListText joined them.
std::vector<std::string> SplitDates(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t semi; (semi = text.find(';', start)) != std::string::npos; start = semi + 1)
        out.push_back(text.substr(start, semi - start));
    out.push_back(text.substr(start));
    return out;
}

// A date's text names one day when it parses and is not a time alone.
notes::OleDate OneDay(const std::string& text) {
    notes::OleDate date = notes::ConvertString2Date(text);
    if (text.find('-') == std::string::npos) date = {};
    return date;
}

// The CSV columns' items, found by a name in any case.
struct FoldedHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const {
        uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (char ch : s) h = (h ^ uint8_t(base::AsciiLower(ch))) * 1099511628211ull;
        return size_t(h);
    }
};
struct FoldedEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return base::EqualsIgnoringAsciiCase(a, b); }
};
using FoldedSet = std::unordered_set<std::string_view, FoldedHash, FoldedEqual>;

const FoldedSet& CsvSources() {
    static const FoldedSet sources(CsvColumnSources().begin(), CsvColumnSources().end());
    return sources;
}

}  // namespace

bool IsBookkeepingItem(std::string_view name) {
    static constexpr std::array<std::string_view, 10> kNames{
        "Form", "Type", "NameDisplayPref", "MailSystem", "DocAuthors", "Owner", "DocumentAccess",
        "Certificate", "PublicKey", "UserCertificate"};
    if (StartsWith(name, '$') || StartsWith(name, '_')) return true;
    for (auto n : kNames)
        if (name.size() == n.size() && base::EqualsIgnoringAsciiCase(name, n)) return true;
    return false;
}

namespace {

// Tells, name by name in order, whether a name is the first of its kind
// (ASCII case folded): a document's few names are compared with the ones
// before them; many go through a set, so that a hostile document with a
// hundred thousand items still reads in linear time.
class FirstOfName {
public:
    explicit FirstOfName(const std::vector<std::string>& names) : names_(names) {}
    bool operator()(size_t i) {
        if (names_.size() > kCompared) return folded_.insert(base::AsciiLower(names_[i])).second;
        for (size_t j = 0; j < i; ++j)
            if (names_[j].size() == names_[i].size() && base::EqualsIgnoringAsciiCase(names_[j], names_[i]))
                return false;
        return true;
    }

private:
    static constexpr size_t kCompared = 64;
    const std::vector<std::string>& names_;
    std::unordered_set<std::string> folded_;
};

}  // namespace

const std::vector<std::string>* ContactRecord::Values(std::string_view item) const {
    for (const NotesItem& i : items)
        if (i.name.size() == item.size() && base::EqualsIgnoringAsciiCase(i.name, item)) return &i.values;
    return nullptr;
}

std::string ContactRecord::Value(std::string_view item) const {
    if (auto it = values.find(item); it != values.end()) return it->second;
    const std::vector<std::string>* all = Values(item);
    if (!all) return {};
    return all->empty() || all->front().empty() ? kBlank : all->front();
}

ContactRecord ReadContact(const LNDocument& doc) {
    ContactRecord c;
    std::vector<std::string> names;
    try {
        names = doc.GetItemNames();
    } catch (const notesapi::NotesError&) {
    }
    c.items.reserve(names.size());
    FirstOfName first(names);  // an item repeated under one name is read once
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];  // kept: later names are compared with it
        if (IsBookkeepingItem(name) || !first(i)) continue;
        if (base::EqualsIgnoringAsciiCase(name, "Body")) {
            c.body = notes::ReadRichText(doc, name);
            continue;
        }
        if (base::EqualsIgnoringAsciiCase(name, "Comment")) {
            c.comment = notes::ReadRichText(doc, name);
            continue;
        }
        const bool birthday = base::EqualsIgnoringAsciiCase(name, "Birthday");
        if (birthday || base::EqualsIgnoringAsciiCase(name, "Anniversary")) {
            // A date item that is not one (text written where a date belongs)
            // is read as text below, and listed with the unplaced items.
            if (std::string text = notes::ReadDateListText(doc, name); !text.empty()) {
                c.values.emplace(birthday ? "Birthday" : "Anniversary", text);
                (birthday ? c.birthday : c.anniversary) = OneDay(text);
                c.items.push_back({name, SplitDates(text)});
                continue;
            }
        }
        bool cut = false;
        std::vector<std::string> values = notes::ReadTextValues(doc, name, &cut);
        if (cut) c.cutItems.push_back(name);
        c.items.push_back({name, std::move(values)});
    }
    // The CSV's columns; a manager or assistant by the common name, as the
    // contact item holds them. The items are one of each name, so each
    // column's item is found by looking each item up once.
    for (const NotesItem& item : c.items) {
        const auto source = CsvSources().find(std::string_view(item.name));
        if (source == CsvSources().end()) continue;
        const auto at = c.values.lower_bound(*source);
        if (at != c.values.end() && at->first == *source) continue;
        // Value(*source) when values lacks it.
        const std::string& value = item.values.empty() || item.values.front().empty() ? kBlank : item.values.front();
        const bool person = *source == "Manager" || *source == "Assistant";
        c.values.emplace_hint(at, std::string(*source), person ? notes::CommonName(value) : value);
    }
    c.from = c.Value("From");
    if (c.Values("Subject")) {
        c.hasSubject = true;
        c.subject = c.Value("Subject");
    }
    ReadAttachments(doc, &c);
    return c;
}

}  // namespace exporting
