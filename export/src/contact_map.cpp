// The contact table: each Notes item to the contact value of the same
// meaning, and what finds no place listed in the notes.
#include <exporting/contact_map.h>

#include <contacts/file_as.h>

#include <base/ascii.h>
#include <mapi/dates.h>
#include <notes/person_names.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <unordered_set>

namespace exporting {

namespace {

using contacts::Contact;
using contacts::PhoneKind;

// How a text value that names someone is kept.
enum class Naming {
    AsItIs,
    CommonName,  // "CN=Richard Roe/O=Acme" kept as "Richard Roe"; an abbreviated name as it is
    PersonName,  // a hierarchical name ("CN=…/O=…", "Hana Canon/Ops/Orbis") shown by its common name,
                 // the name itself kept in the notes as "Notes name: …"
};

// A text of the contact that the first value of an item fills.
struct TextPlace {
    std::string_view item;
    std::string& (*place)(Contact&);
    Naming naming = Naming::AsItIs;
};

constexpr std::array<TextPlace, 24> kTexts{{
    {"FullName", [](Contact& c) -> std::string& { return c.fullName; }, Naming::PersonName},
    {"Title", [](Contact& c) -> std::string& { return c.prefix; }},
    {"FirstName", [](Contact& c) -> std::string& { return c.firstName; }},
    {"MiddleInitial", [](Contact& c) -> std::string& { return c.middleName; }},
    {"LastName", [](Contact& c) -> std::string& { return c.lastName; }},
    {"Suffix", [](Contact& c) -> std::string& { return c.suffix; }},
    {"ShortName", [](Contact& c) -> std::string& { return c.initials; }},
    {"Nickname", [](Contact& c) -> std::string& { return c.nickname; }},
    {"CompanyName", [](Contact& c) -> std::string& { return c.company; }},
    {"JobTitle", [](Contact& c) -> std::string& { return c.jobTitle; }},
    {"Department", [](Contact& c) -> std::string& { return c.department; }},
    {"Location", [](Contact& c) -> std::string& { return c.office; }},
    {"Spouse", [](Contact& c) -> std::string& { return c.spouse; }},
    {"StreetAddress", [](Contact& c) -> std::string& { return c.home.street; }},
    {"City", [](Contact& c) -> std::string& { return c.home.city; }},
    {"State", [](Contact& c) -> std::string& { return c.home.state; }},
    {"Zip", [](Contact& c) -> std::string& { return c.home.postalCode; }},
    {"Country", [](Contact& c) -> std::string& { return c.home.country; }},
    {"OfficeStreetAddress", [](Contact& c) -> std::string& { return c.business.street; }},
    {"OfficeCity", [](Contact& c) -> std::string& { return c.business.city; }},
    {"OfficeState", [](Contact& c) -> std::string& { return c.business.state; }},
    {"OfficeZip", [](Contact& c) -> std::string& { return c.business.postalCode; }},
    {"OfficeCountry", [](Contact& c) -> std::string& { return c.business.country; }},
    {"WebSite", [](Contact& c) -> std::string& { return c.personalWebPage; }},
}};

// Further places of an item's first value.
constexpr std::array<TextPlace, 3> kMoreTexts{{
    {"WebSite", [](Contact& c) -> std::string& { return c.businessWebPage; }},
    {"Manager", [](Contact& c) -> std::string& { return c.manager; }, Naming::CommonName},
    {"Assistant", [](Contact& c) -> std::string& { return c.assistant; }, Naming::CommonName},
}};

// Phones by meaning, each the first value of an item.
constexpr std::array<std::pair<PhoneKind, std::string_view>, 11> kPhones{{
    {PhoneKind::Primary, "OfficePhoneNumber"},
    {PhoneKind::Business, "OfficePhoneNumber"},
    {PhoneKind::Home, "PhoneNumber"},
    {PhoneKind::Mobile, "CellPhoneNumber"},
    {PhoneKind::Pager, "PersPager"},
    {PhoneKind::BusinessFax, "OfficeFAXPhoneNumber"},
    {PhoneKind::HomeFax, "HomeFAXPhoneNumber"},
    {PhoneKind::Business2, "Work2Phone"},
    {PhoneKind::Home2, "Home2Phone"},
    {PhoneKind::Assistant, "AssistantPhone"},
    {PhoneKind::Car, "CarPhone"},
}};

// Where a further value of a phone item goes when that place is free.
constexpr std::array<std::pair<PhoneKind, std::string_view>, 2> kFurtherPhones{{
    {PhoneKind::Business2, "OfficePhoneNumber"},
    {PhoneKind::Home2, "PhoneNumber"},
}};

// The e-mail slots in order; their items fill them first (FillEmailSlots).
constexpr std::array<std::string_view, 3> kEmailSlots{"MailAddress", "MiscPhone1", "MiscPhone2"};

// Lists, every value of an item.
constexpr std::array<std::pair<std::vector<std::string> Contact::*, std::string_view>, 2> kLists{{
    {&Contact::children, "Children"},
    {&Contact::categories, "Categories"},
}};

// The lines of the notes that keep what a person is shown by instead.
constexpr std::string_view kNotesName = "Notes name: ";
constexpr std::string_view kNotesMailAddress = "Notes mail address: ";

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

using contacts::IsBlank;

// Builds a record's contact, keeping which values found a place.
class Mapping {
public:
    explicit Mapping(const ContactRecord& c) : c_(c), firstUse_(c.items.size() + 1) {
        for (size_t i = 0; i < c.items.size(); ++i) firstUse_[i + 1] = firstUse_[i] + c.items[i].values.size();
        used_.assign(firstUse_.back(), false);
        placed_.reserve(firstUse_.back());
        // A counting sort of the items by the length of their name, stable so
        // that each length's items stay in record order.
        for (const NotesItem& item : c.items) ++lengthStart_[LengthSlot(item.name.size()) + 1];
        for (size_t k = 1; k < lengthStart_.size(); ++k) lengthStart_[k] += lengthStart_[k - 1];
        byLength_.resize(c.items.size());
        std::array<uint32_t, kLengthSlots + 1> next = lengthStart_;
        for (size_t i = 0; i < c.items.size(); ++i) byLength_[next[LengthSlot(c.items[i].name.size())]++] = uint32_t(i);
    }

    Contact Run() {
        for (const TextPlace& text : kTexts) Text(text);
        // A directory's person known by a hierarchical name alone: its common
        // name gives the first and last name.
        if (hierarchical_ && out_.firstName.empty() && out_.lastName.empty())
            contacts::SplitDisplayName(out_.fullName, &out_.firstName, &out_.lastName);
        for (const auto& [kind, item] : kPhones) PhoneNumber(kind, item);
        for (const auto& [kind, item] : kFurtherPhones)
            if (!out_.PhoneOf(kind))
                if (const std::string* v = Next(item)) out_.phones.push_back({kind, *v});
        for (const TextPlace& text : kMoreTexts) Text(text);
        out_.emails.resize(kEmailSlots.size());
        for (size_t k = 0; k < kEmailSlots.size(); ++k) Email(k, kEmailSlots[k]);
        FillEmailSlots();
        while (!out_.emails.empty() && out_.emails.back().empty()) out_.emails.pop_back();
        for (const auto& [list, item] : kLists) List(out_.*list, item);
        out_.birthday = Day(c_.birthday, "Birthday");
        out_.anniversary = Day(c_.anniversary, "Anniversary");
        for (auto item : kMessageItems) UseAll(item);
        Unplaced();
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

    // The first value of the item that is not blank, marked as placed (the
    // blank ones before it too); none when there is no such value.
    const std::string* First(std::string_view item) { return Take(item, false); }
    // The next value of the item that found no place yet and is not blank.
    const std::string* Next(std::string_view item) { return Take(item, true); }

    const std::string* Take(std::string_view item, bool unplacedOnly) {
        const int i = Find(item);
        if (i < 0) return nullptr;
        for (size_t n = 0; n < c_.items[i].values.size(); ++n) {
            if (unplacedOnly && used_[firstUse_[i] + n]) continue;
            Use(i, n);
            const std::string& v = c_.items[i].values[n];
            if (IsBlank(v)) continue;
            placed_.insert(v);
            return &v;
        }
        return nullptr;
    }

    void Text(const TextPlace& text) {
        const std::string* v = First(text.item);
        if (!v) return;
        switch (text.naming) {
            case Naming::AsItIs: text.place(out_) = *v; break;
            case Naming::CommonName: text.place(out_) = notes::CommonName(*v); break;
            case Naming::PersonName:
                text.place(out_) = notes::PersonName(*v);
                if (notes::IsHierarchicalName(*v)) {
                    out_.notes.moreFromSource.push_back(std::string(kNotesName) + *v);
                    placed_.insert(text.place(out_));  // a further value of the common name adds nothing
                    hierarchical_ = true;
                }
                break;
        }
    }

    void PhoneNumber(PhoneKind kind, std::string_view item) {
        if (const std::string* v = First(item)) out_.phones.push_back({kind, *v});
    }

    void Email(size_t slot, std::string_view item) {
        const std::string* v = First(item);
        if (!v) return;
        if (item == "MailAddress" && notes::IsNotesRoutingAddress(*v))
            out_.notes.moreFromSource.push_back(std::string(kNotesMailAddress) + *v);
        else
            out_.emails[slot] = *v;
    }

    // The slots the table's items leave empty take the further addresses
    // that differ from those already placed.
    void FillEmailSlots() {
        std::vector<std::string>& slots = out_.emails;
        for (auto name : kMoreEmails) {
            const int i = Find(name);
            if (i < 0) continue;
            for (size_t n = name == "MailAddress" ? 1 : 0; n < c_.items[i].values.size(); ++n) {
                const std::string& v = c_.items[i].values[n];
                if (name == "MailAddress" && notes::IsNotesRoutingAddress(v)) {
                    Use(i, n);
                    if (placed_.insert(v).second) out_.notes.moreFromSource.push_back(std::string(kNotesMailAddress) + v);
                    continue;
                }
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
                    placed_.insert(v);
                    break;
                }
            }
        }
    }

    void List(std::vector<std::string>& values, std::string_view item) {
        const int i = Find(item);
        if (i < 0) return;
        for (size_t n = 0; n < c_.items[i].values.size(); ++n) {
            Use(i, n);
            const std::string& v = c_.items[i].values[n];
            if (IsBlank(v)) continue;
            values.push_back(v);
            placed_.insert(v);
        }
    }

    std::optional<contacts::CalendarDay> Day(const notes::OleDate& date, std::string_view item) {
        if (!date.valid) return std::nullopt;
        auto day = mapi::CalendarDateFromOleDate(date.value);
        // A day whose local midnight comes before 1601-01-01T00:00Z (the first
        // day east of Greenwich) has no FILETIME: listed in the notes instead.
        if (!day || !mapi::IsValidDate(*day) || mapi::LocalMidnight(*day).ticks < 0) return std::nullopt;
        UseAll(item);
        return contacts::CalendarDay{day->year, day->month, day->day};
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
            contacts::SourceField field{item.name, {}};
            bool anyUsed = false;
            for (size_t n = 0; n < item.values.size(); ++n) {
                const std::string& v = item.values[n];
                anyUsed = anyUsed || used_[firstUse_[i] + n];
                if (!IsBlank(v)) field.values.push_back(v);
                if (used_[firstUse_[i] + n] || IsBlank(v) || !placed_.insert(v).second) continue;
                line += line.empty() ? item.name + ": " : "; ";
                line += v;
            }
            if (!line.empty()) out_.notes.moreFromSource.push_back(std::move(line));
            if (!anyUsed && !field.values.empty()) out_.unplaced.push_back(std::move(field));
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
    Contact out_;
    bool hierarchical_ = false;  // FullName held a hierarchical name
};

}  // namespace

std::string DisplayNameFrom(const std::function<std::string(std::string_view)>& firstValue) {
    auto first = [&](std::string_view item) {
        return Trimmed(firstValue(item));
    };
    if (std::string full = notes::PersonName(first("FullName")); !full.empty()) return full;
    std::string joined;
    for (auto part : {"Title", "FirstName", "MiddleInitial", "LastName"}) {
        const std::string v = first(part);
        if (v.empty()) continue;
        if (!joined.empty()) joined += ' ';
        joined += v;
    }
    for (auto fallback : {"CompanyName", "MailAddress", "InternetAddress"})
        if (joined.empty() && !(fallback == std::string_view("MailAddress") && notes::IsNotesRoutingAddress(first(fallback))))
            joined = first(fallback);
    return joined;
}

std::string ContactRecord::DisplayName() const {
    return DisplayNameFrom([this](std::string_view item) {
        const std::vector<std::string>* v = Values(item);
        return v && !v->empty() ? v->front() : std::string();
    });
}

namespace {

// The record's long values (its texts and files) are copied from a record
// given as const, and moved from one given to be taken.
template <class Record>
contacts::Contact Mapped(Record&& contact, const std::string& subject) {
    contacts::Contact c = Mapping(contact).Run();
    c.subject = subject;
    c.from = contact.from;
    c.notes.richText = std::forward<Record>(contact).body;
    c.notes.comment = std::forward<Record>(contact).comment;
    c.attachments = std::forward<Record>(contact).attachments;
    c.photo = std::forward<Record>(contact).photo;
    return c;
}

}  // namespace

contacts::Contact MapContact(const ContactRecord& contact, const std::string& subject) { return Mapped(contact, subject); }

contacts::Contact MapContact(ContactRecord&& contact, const std::string& subject) {
    return Mapped(std::move(contact), subject);
}


}  // namespace exporting
