// The contact table: each Notes item to the contact property of the same
// meaning, and what finds no property listed in the notes.
#include <exporting/contact_map.h>

#include <base/ascii.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <unordered_set>

namespace exporting {

namespace {

using F = mapi::ContactField;

// Single text properties, each the first value of an item.
constexpr std::array<std::pair<F, std::string_view>, 41> kTexts{{
    {F::FullName, "FullName"},
    {F::Title, "Title"},
    {F::FirstName, "FirstName"},
    {F::MiddleName, "MiddleInitial"},
    {F::LastName, "LastName"},
    {F::Suffix, "Suffix"},
    {F::Initials, "ShortName"},
    {F::NickName, "Nickname"},
    {F::CompanyName, "CompanyName"},
    {F::JobTitle, "JobTitle"},
    {F::Department, "Department"},
    {F::OfficeLocation, "Location"},
    {F::Spouse, "Spouse"},
    {F::HomeAddressStreet, "StreetAddress"},
    {F::HomeAddressCity, "City"},
    {F::HomeAddressState, "State"},
    {F::HomeAddressPostalCode, "Zip"},
    {F::HomeAddressCountry, "Country"},
    {F::BusinessAddressStreet, "OfficeStreetAddress"},
    {F::BusinessAddressCity, "OfficeCity"},
    {F::BusinessAddressState, "OfficeState"},
    {F::BusinessAddressPostalCode, "OfficeZip"},
    {F::BusinessAddressCountry, "OfficeCountry"},
    {F::PrimaryTelephoneNumber, "OfficePhoneNumber"},
    {F::BusinessTelephoneNumber, "OfficePhoneNumber"},
    {F::HomeTelephoneNumber, "PhoneNumber"},
    {F::MobileTelephoneNumber, "CellPhoneNumber"},
    {F::PagerNumber, "PersPager"},
    {F::BusinessFaxNumber, "OfficeFAXPhoneNumber"},
    {F::HomeFaxNumber, "HomeFAXPhoneNumber"},
    {F::Business2TelephoneNumber, "Work2Phone"},
    {F::Home2TelephoneNumber, "Home2Phone"},
    {F::AssistantTelephoneNumber, "AssistantPhone"},
    {F::CarTelephoneNumber, "CarPhone"},
    {F::PersonalHomePage, "WebSite"},
    {F::BusinessHomePage, "WebSite"},
    // People the document names the Notes way ("CN=Richard Roe/O=Acme"),
    // by their common names.
    {F::ManagerName, "Manager"},
    {F::AssistantName, "Assistant"},
    // The e-mail slots; their items fill them first (MailEmails).
    {F::Email1Address, "MailAddress"},
    {F::Email2Address, "MiscPhone1"},
    {F::Email3Address, "MiscPhone2"},
}};

// Multi-valued properties, every value of an item.
constexpr std::array<std::pair<F, std::string_view>, 2> kLists{{
    {F::Children, "Children"},
    {F::Categories, "Categories"},
}};

// Further addresses for the e-mail slots, in order.
constexpr std::array<std::string_view, 2> kMoreEmails{"MailAddress", "InternetAddress"};

// Items of the document as a message rather than the person: they have a
// place of their own (the item's subject, the file's name).
constexpr std::array<std::string_view, 2> kMessageItems{"Subject", "From"};

// Composed address texts the Notes form keeps beside the parts they are
// made of: shown only when the document has none of those parts.
constexpr std::array<std::pair<std::string_view, std::array<std::string_view, 5>>, 2> kComposedAddresses{{
    {"HomeAddress", {"StreetAddress", "City", "State", "Zip", "Country"}},
    {"BusinessAddress", {"OfficeStreetAddress", "OfficeCity", "OfficeState", "OfficeZip", "OfficeCountry"}},
}};

constexpr std::string_view kUnplacedHeading = "More from Notes:";

bool IsBlank(std::string_view v) { return v.find_first_not_of(" \t\r\n") == std::string_view::npos; }

bool IsPerson(F f) { return f == F::ManagerName || f == F::AssistantName; }

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// Builds a record's properties, keeping which values found a place.
class Mapping {
public:
    explicit Mapping(const ContactRecord& c) : c_(c), firstUse_(c.items.size() + 1) {
        for (size_t i = 0; i < c.items.size(); ++i) firstUse_[i + 1] = firstUse_[i] + c.items[i].values.size();
        used_.assign(firstUse_.back(), false);
        placed_.reserve(firstUse_.back());
        out_.texts.reserve(kTexts.size());
        // A counting sort of the items by the length of their name, stable so
        // that each length's items stay in record order.
        for (const NotesItem& item : c.items) ++lengthStart_[LengthSlot(item.name.size()) + 1];
        for (size_t k = 1; k < lengthStart_.size(); ++k) lengthStart_[k] += lengthStart_[k - 1];
        byLength_.resize(c.items.size());
        std::array<uint32_t, kLengthSlots + 1> next = lengthStart_;
        for (size_t i = 0; i < c.items.size(); ++i) byLength_[next[LengthSlot(c.items[i].name.size())]++] = uint32_t(i);
    }

    ContactProperties Run() {
        for (const auto& [field, item] : kTexts) Text(field, item);
        FillEmailSlots();
        for (const auto& [field, item] : kLists) List(field, item);
        out_.birthday = Day(c_.birthday, "Birthday");
        out_.anniversary = Day(c_.anniversary, "Anniversary");
        for (auto item : kMessageItems) UseAll(item);
        Unplaced();
        Body();
        return std::move(out_);
    }

private:
    // The index of the first item of the record with this name, or -1.
    int Find(std::string_view name) const {
        const size_t slot = LengthSlot(name.size());
        for (uint32_t k = lengthStart_[slot]; k < lengthStart_[slot + 1]; ++k) {
            const std::string& candidate = c_.items[byLength_[k]].name;
            if (candidate.size() == name.size() && base::EqualsIgnoringAsciiCase(candidate, name)) return int(byLength_[k]);
        }
        return -1;
    }

    // Sets a field to v, a value of the record (or a name made from it).
    void Set(F field, const std::string& v) {
        placed_.insert(v);
        out_.texts.emplace_back(field, IsPerson(field) ? notes::CommonName(v) : v);
    }

    void Text(F field, std::string_view item) {
        const int i = Find(item);
        if (i < 0 || c_.items[i].values.empty()) return;
        Use(i, 0);
        if (!IsBlank(c_.items[i].values[0])) Set(field, c_.items[i].values[0]);
    }

    // The slots the table's items leave empty take the further addresses
    // that differ from those already placed.
    void FillEmailSlots() {
        std::array<std::string, 3> slots;
        const std::array<F, 3> fields{F::Email1Address, F::Email2Address, F::Email3Address};
        for (size_t k = 0; k < slots.size(); ++k)
            if (const std::string* v = out_.Text(fields[k])) slots[k] = *v;
        for (auto name : kMoreEmails) {
            const int i = Find(name);
            if (i < 0) continue;
            for (size_t n = name == "MailAddress" ? 1 : 0; n < c_.items[i].values.size(); ++n) {
                const std::string& v = c_.items[i].values[n];
                bool known = IsBlank(v);
                for (const auto& s : slots) known = known || base::EqualsIgnoringAsciiCase(s, v);
                if (known) {
                    Use(i, n);
                    continue;
                }
                for (size_t k = 0; k < slots.size(); ++k) {
                    if (!slots[k].empty()) continue;
                    slots[k] = v;
                    Use(i, n);
                    Set(fields[k], v);
                    break;
                }
            }
        }
    }

    void List(F field, std::string_view item) {
        const int i = Find(item);
        if (i < 0) return;
        std::vector<std::string> values;
        for (size_t n = 0; n < c_.items[i].values.size(); ++n) {
            Use(i, n);
            const std::string& v = c_.items[i].values[n];
            if (IsBlank(v)) continue;
            values.push_back(v);
            placed_.insert(v);
        }
        if (!values.empty()) out_.lists.emplace_back(field, std::move(values));
    }

    std::optional<mapi::CalendarDate> Day(const notes::OleDate& date, std::string_view item) {
        if (!date.valid) return std::nullopt;
        auto day = mapi::CalendarDateFromOleDate(date.value);
        if (!day || !mapi::IsValidDate(*day)) return std::nullopt;
        UseAll(item);
        return day;
    }

    void UseAll(std::string_view item) {
        if (const int i = Find(item); i >= 0) std::fill(used_.begin() + firstUse_[i], used_.begin() + firstUse_[i + 1], true);
    }

    bool HasPartOf(const std::array<std::string_view, 5>& parts) const {
        for (auto part : parts)
            if (const int i = Find(part); i >= 0 && !c_.items[i].values.empty() && !IsBlank(c_.items[i].values[0])) return true;
        return false;
    }

    void Unplaced() {
        for (size_t i = 0; i < c_.items.size(); ++i) {
            const NotesItem& item = c_.items[i];
            bool composed = false;
            for (const auto& [name, parts] : kComposedAddresses)
                composed = composed || (base::EqualsIgnoringAsciiCase(item.name, name) && HasPartOf(parts));
            if (composed) continue;
            std::string line;
            for (size_t n = 0; n < item.values.size(); ++n) {
                const std::string& v = item.values[n];
                if (used_[firstUse_[i] + n] || IsBlank(v) || !placed_.insert(v).second) continue;
                line += line.empty() ? item.name + ": " : "; ";
                line += v;
            }
            if (!line.empty()) out_.unplaced.push_back(std::move(line));
        }
    }

    void Body() {
        std::vector<std::string> parts{Trimmed(c_.body), Trimmed(c_.comment)};
        if (!out_.unplaced.empty()) {
            std::string more(kUnplacedHeading);
            for (const auto& line : out_.unplaced) more += "\n" + line;
            parts.push_back(std::move(more));
        }
        for (const auto& part : parts) {
            if (IsBlank(part)) continue;
            if (!out_.body.empty()) out_.body += "\n\n";
            out_.body += part;
        }
    }

    const ContactRecord& c_;
    void Use(size_t item, size_t value) { used_[firstUse_[item] + value] = true; }

    // Set entries live in a buffer of the mapping's own: a contact has a few
    // dozen values, and a heap allocation for each was a good part of the cost.
    std::array<std::byte, 4096> arena_;
    std::pmr::monotonic_buffer_resource memory_{arena_.data(), arena_.size()};
    std::vector<size_t> firstUse_;  // per item, where its values' flags start in used_
    std::vector<bool> used_;  // per value of every item: it found a place
    std::pmr::unordered_set<std::string_view> placed_{&memory_};  // every value of the record the contact holds
    // The items by the length of their name (longer names share the last
    // slot): a lookup compares only names of its own length.
    static constexpr size_t kLengthSlots = 32;
    static size_t LengthSlot(size_t length) { return std::min(length, kLengthSlots - 1); }
    std::array<uint32_t, kLengthSlots + 1> lengthStart_{};  // where each slot's items start in byLength_
    std::pmr::vector<uint32_t> byLength_{&memory_};
    ContactProperties out_;
};

}  // namespace

const std::string* ContactProperties::Text(mapi::ContactField field) const {
    for (const auto& [f, v] : texts)
        if (f == field) return &v;
    return nullptr;
}

std::string DisplayNameFrom(const std::function<std::string(std::string_view)>& firstValue) {
    auto first = [&](std::string_view item) {
        std::string v = firstValue(item);
        return IsBlank(v) ? std::string() : v;
    };
    if (std::string full = first("FullName"); !full.empty()) return full;
    std::string joined;
    for (auto part : {"Title", "FirstName", "MiddleInitial", "LastName"}) {
        const std::string v = first(part);
        if (v.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += v;
    }
    for (auto fallback : {"CompanyName", "MailAddress", "InternetAddress"})
        if (joined.empty()) joined = first(fallback);
    return joined;
}

std::string ContactRecord::DisplayName() const {
    return DisplayNameFrom([this](std::string_view item) {
        const std::vector<std::string>* v = Values(item);
        return v && !v->empty() ? v->front() : std::string();
    });
}

ContactProperties MapContact(const ContactRecord& contact) { return Mapping(contact).Run(); }

void ApplyContactTable(store::ContactItem& item, const ContactRecord& contact, const std::string& subject) {
    if (!subject.empty()) {
        item.Set(F::Subject, subject);
        item.Set(F::ConversationTopic, subject);
    }
    ContactProperties p = MapContact(contact);
    for (auto& [field, value] : p.texts) item.Set(field, std::move(value));
    for (const auto& [field, values] : p.lists) item.SetValues(field, values);
    if (p.birthday) item.SetDay(F::Birthday, *p.birthday);
    if (p.anniversary) item.SetDay(F::Anniversary, *p.anniversary);
    if (!p.body.empty()) item.Set(F::Body, std::move(p.body));
    item.SetSent(true);
    item.Set(F::To, "");
    item.Set(F::CC, "");
    item.Set(F::BCC, "");
}

}  // namespace exporting
