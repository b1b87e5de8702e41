// Reading a contact document: every item with all its values, the rich
// texts and the two dates.
#include <exporting/contact_map.h>

#include <base/ascii.h>
#include <notes/field_rules.h>

#include <array>
#include <unordered_map>

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

}  // namespace

std::string Trimmed(std::string value) {
    constexpr const char* kBlanks = " \t\r\n";
    const size_t end = value.find_last_not_of(kBlanks);
    if (end == std::string::npos) return {};
    value.erase(end + 1);
    value.erase(0, value.find_first_not_of(kBlanks));
    return value;
}

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

// Tells, name by name in order, where the first name of its kind is (ASCII
// case folded): a document's few names are compared with the ones before
// them; many go through a map, so that a hostile document with a hundred
// thousand items still reads in linear time.
class FirstOfName {
public:
    explicit FirstOfName(const std::vector<std::string>& names) : names_(names) {}
    size_t operator()(size_t i) {
        if (names_.size() > kCompared) return folded_.emplace(base::AsciiLower(names_[i]), i).first->second;
        for (size_t j = 0; j < i; ++j)
            if (names_[j].size() == names_[i].size() && base::EqualsIgnoringAsciiCase(names_[j], names_[i])) return j;
        return i;
    }

private:
    static constexpr size_t kCompared = 64;
    const std::vector<std::string>& names_;
    std::unordered_map<std::string, size_t> folded_;
};

}  // namespace

const std::vector<std::string>* ContactRecord::Values(std::string_view item) const {
    for (const NotesItem& i : items)
        if (i.name.size() == item.size() && base::EqualsIgnoringAsciiCase(i.name, item)) return &i.values;
    return nullptr;
}

std::string ContactRecord::Value(std::string_view item) const {
    const std::vector<std::string>* all = Values(item);
    if (!all) return {};
    return all->empty() || all->front().empty() ? kBlank : all->front();
}

int64_t LastChange(const LNDocument& doc) {
    const LNDatetime modified = doc.GetLastModified();
    if (modified.HasDate()) return modified.ToFileTime();
    const LNDatetime created = doc.GetCreated();
    return created.HasDate() ? created.ToFileTime() : 0;
}

ContactRecord ReadContact(const LNDocument& doc) {
    ContactRecord c;
    c.changed = LastChange(doc);
    std::vector<std::string> names;
    try {
        names = doc.GetItemNames();
    } catch (const notesapi::NotesError&) {
    }
    c.items.reserve(names.size());
    FirstOfName first(names);
    // Where the items of each first name went in c.items; an item repeated
    // under one name adds its values to the first, in document order.
    constexpr size_t kNone = size_t(-1);
    std::vector<size_t> itemOf(names.size(), kNone);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];  // kept: later names are compared with it
        if (IsBookkeepingItem(name)) continue;
        if (const size_t j = first(i); j != i) {
            if (itemOf[j] == kNone) continue;  // the rich texts: their first item is read
            bool cut = false;
            NotesItem& into = c.items[itemOf[j]];
            for (std::string& v : notes::ReadTextValuesAt(doc, i, &cut)) into.values.push_back(std::move(v));
            if (cut && (c.cutItems.empty() || c.cutItems.back() != into.name)) c.cutItems.push_back(into.name);
            // Two birthdays are no one day.
            if (base::EqualsIgnoringAsciiCase(name, "Birthday")) c.birthday = {};
            if (base::EqualsIgnoringAsciiCase(name, "Anniversary")) c.anniversary = {};
            continue;
        }
        if (base::EqualsIgnoringAsciiCase(name, "Body")) {
            c.body = notes::ReadRichText(doc, name);
            continue;
        }
        if (base::EqualsIgnoringAsciiCase(name, "Comment")) {
            c.comment = notes::ReadRichText(doc, name);
            continue;
        }
        itemOf[i] = c.items.size();
        const bool birthday = base::EqualsIgnoringAsciiCase(name, "Birthday");
        if (birthday || base::EqualsIgnoringAsciiCase(name, "Anniversary")) {
            // A date item that is not one (text written where a date belongs)
            // is read as text below, and listed with the unplaced items.
            if (std::string text = notes::ReadDateListText(doc, name); !text.empty()) {
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
    for (NotesItem& item : c.items)
        for (std::string& v : item.values) v = Trimmed(std::move(v));
    c.from = c.Value("From");
    if (c.Values("Subject")) {
        c.hasSubject = true;
        c.subject = c.Value("Subject");
    }
    ReadAttachments(doc, &c);
    return c;
}

}  // namespace exporting
