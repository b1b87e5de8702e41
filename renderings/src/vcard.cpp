#include "contact_fields.h"
#include "formats.h"

#include <base/base64.h>
#include <contacts/file_as.h>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace renderings {

namespace vcard {

constexpr size_t kMaxLineOctets = 75;

namespace {

// The letter that follows a backslash for a character a text value escapes
// (backslash, comma, semicolon, line break); 0 for any other.
char EscapeLetter(char c) { return c == '\\' ? '\\' : c == ',' ? ',' : c == ';' ? ';' : c == '\n' ? 'n' : 0; }

}  // namespace

std::string Escape(const std::string& v) {
    std::string out;
    out.reserve(v.size());
    for (char c : v) {
        if (const char letter = EscapeLetter(c)) out.append({'\\', letter});
        else out += c;
    }
    return out;
}

namespace {

// Writes one content line into out, folded so that no line exceeds 75
// octets; a fold never falls inside a UTF-8 sequence. Each line takes as
// many whole sequences as fit.
class LineFolder {
public:
    explicit LineFolder(std::string& out) : out_(out) {}

    void Add(std::string_view text) {
        for (size_t i = 0; i < text.size();) i += AddSequence(text, i);
    }
    // The text escaped as it goes: an escape's two octets may be parted by a
    // fold, as any two characters may.
    void AddEscaped(std::string_view text) {
        for (size_t i = 0; i < text.size();) {
            const char escaped = EscapeLetter(text[i]);
            if (!escaped) {
                i += AddSequence(text, i);
                continue;
            }
            Room(1);
            out_ += '\\';
            Room(1);
            out_ += escaped;
            ++i;
        }
    }
    void End() { out_.append("\r\n"); }

private:
    // Appends the UTF-8 sequence that starts at i (a stray continuation
    // octet goes alone); returns its length.
    size_t AddSequence(std::string_view text, size_t i) {
        size_t n = 1;
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0xC0)
            while (i + n < text.size() && n < 4 && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
        Room(n);
        out_.append(text.substr(i, n));
        return n;
    }
    // Folds first when n more octets do not fit on the line.
    void Room(size_t n) {
        if (used_ > 0 && used_ + n > limit_) {
            out_.append("\r\n ");
            used_ = 0;
            limit_ = kMaxLineOctets - 1;  // the leading blank of a continuation line counts
        }
        used_ += n;
    }

    std::string& out_;
    size_t used_ = 0;
    size_t limit_ = kMaxLineOctets;
};

}  // namespace

// Appends a content line, folded so no line exceeds 75 octets.
void AppendLine(std::string& out, const std::string& line) { AppendLine(out, line, {}); }

void AppendLine(std::string& out, std::string_view head, std::string_view rest, bool escapeRest) {
    // A long value is given its room once rather than by doubling: its
    // escapes counted, and a fold every 71 octets at most (a line of 74
    // may end before a sequence of four).
    size_t size = head.size() + rest.size();
    if (size > 4096) {
        if (escapeRest) size += size_t(std::count_if(rest.begin(), rest.end(), [](char c) { return EscapeLetter(c) != 0; }));
        out.reserve(out.size() + size + 3 * (size / (kMaxLineOctets - 4) + 1) + 2);
    }
    LineFolder line(out);
    line.Add(head);
    if (escapeRest) line.AddEscaped(rest);
    else line.Add(rest);
    line.End();
}

}  // namespace vcard

namespace {

using F = Field;
using vcard::AppendLine;
using vcard::Escape;

class CardBuilder {
public:
    explicit CardBuilder(const contacts::Contact& c) : c_(c) {}

    std::string Value(F f) const { return ShownValue(c_, f); }
    bool Has(F f) const { return HasText(Value(f)); }
    const contacts::Contact& Contact() const { return c_; }

    void Line(const std::string& nameAndParams, const std::string& escapedValue) {
        AppendLine(out_, nameAndParams + ":", escapedValue);
    }
    void Single(const std::string& nameAndParams, F f) {
        // A long value is escaped as it is written, not copied first.
        const ShownText value = ShownTextOf(c_, f);
        if (HasText(value.View())) AppendLine(out_, nameAndParams + ":", value.View(), true);
    }
    // A structured value: components joined by ';', written when any is set.
    void Structured(const std::string& nameAndParams, std::initializer_list<F> parts, size_t leadingEmpty = 0) {
        bool any = false;
        for (F f : parts) any = any || Has(f);
        if (!any) return;
        std::string v(leadingEmpty, ';');
        bool first = true;
        for (F f : parts) {
            if (!first) v += ';';
            first = false;
            v += Has(f) ? Escape(Value(f)) : std::string();
        }
        Line(nameAndParams, v);
    }
    std::string Take() { return std::move(out_); }

private:
    const contacts::Contact& c_;
    std::string out_;
};

std::string FormattedName(const CardBuilder& b) {
    if (b.Has(F::FullName)) return b.Value(F::FullName);
    std::string name;
    for (F f : {F::FirstName, F::MiddleName, F::LastName})
        if (b.Has(f)) name += (name.empty() ? "" : " ") + b.Value(f);
    if (!name.empty()) return name;
    for (F f : {F::Subject, F::CompanyName})
        if (b.Has(f)) return b.Value(f);
    return {};
}

// Birthday and anniversary are days: "YYYY-MM-DD", without a time.
void DayLines(CardBuilder& b, std::initializer_list<const char*> names, F f) {
    const std::string day = b.Value(f);
    if (day.empty()) return;
    for (const char* name : names) b.Line(name, day);
}

// Telephone kinds: the types of vCard 3.0 where it has one, else the type
// Evolution reads the kind by.
struct Phone {
    F field;
    const char* params;
};
constexpr Phone kPhones[] = {
    {F::PrimaryTelephoneNumber, "TEL;TYPE=PREF,VOICE"},
    {F::BusinessTelephoneNumber, "TEL;TYPE=WORK,VOICE"},
    {F::Business2TelephoneNumber, "TEL;TYPE=WORK,VOICE"},
    {F::CompanyMainTelephoneNumber, "TEL;TYPE=X-EVOLUTION-COMPANY"},
    {F::AssistantTelephoneNumber, "TEL;TYPE=X-EVOLUTION-ASSISTANT"},
    {F::CallbackTelephoneNumber, "TEL;TYPE=X-EVOLUTION-CALLBACK"},
    {F::HomeTelephoneNumber, "TEL;TYPE=HOME,VOICE"},
    {F::Home2TelephoneNumber, "TEL;TYPE=HOME,VOICE"},
    {F::MobileTelephoneNumber, "TEL;TYPE=CELL,VOICE"},
    {F::CarTelephoneNumber, "TEL;TYPE=CAR"},
    {F::RadioTelephoneNumber, "TEL;TYPE=X-EVOLUTION-RADIO"},
    {F::PagerNumber, "TEL;TYPE=PAGER"},
    {F::OtherTelephoneNumber, "TEL;TYPE=VOICE"},
    {F::ISDNNumber, "TEL;TYPE=ISDN"},
    {F::TTYTDDTelephoneNumber, "TEL;TYPE=X-EVOLUTION-TTYTDD"},
    {F::TelexNumber, "TEL;TYPE=X-EVOLUTION-TELEX"},
    {F::BusinessFaxNumber, "TEL;TYPE=WORK,FAX"},
    {F::HomeFaxNumber, "TEL;TYPE=HOME,FAX"},
    {F::OtherFaxNumber, "TEL;TYPE=FAX"},
};

// Each number once: the primary number that is also a number of another
// kind (Notes' office phone is both) is that line, with PREF among its types.
void PhoneLines(CardBuilder& b) {
    std::vector<std::pair<std::string, std::string>> lines;  // name and parameters, number
    for (const Phone& phone : kPhones)
        if (b.Has(phone.field)) lines.emplace_back(phone.params, b.Value(phone.field));
    if (!lines.empty() && b.Has(F::PrimaryTelephoneNumber))
        for (size_t k = 1; k < lines.size(); ++k) {
            if (lines[k].second != lines.front().second) continue;
            lines[k].first += ",PREF";
            lines.erase(lines.begin());
            break;
        }
    for (const auto& [params, number] : lines) b.Line(params, Escape(number));
}

// The photo inline, as vCard 3.0 writes binary values: its type is the
// image subtype in capitals (JPEG, PNG, GIF, BMP).
void PhotoLine(CardBuilder& b, const contacts::Photo& photo) {
    std::string type = photo.mimeType.substr(photo.mimeType.find('/') + 1);
    for (char& ch : type) ch = ch >= 'a' && ch <= 'z' ? char(ch - 'a' + 'A') : ch;
    b.Line("PHOTO;ENCODING=b;TYPE=" + type, base::Base64Encode(photo.bytes));
}

}  // namespace

std::string VCard(const contacts::Contact& contact) {
    CardBuilder b(contact);
    b.Line("BEGIN", "VCARD");
    b.Line("VERSION", "3.0");
    b.Line("PRODID", "-//Ferrywell//Contact//EN");
    // N: family; given; additional; prefix; suffix (always present in 3.0).
    std::string family = b.Value(F::LastName), given = b.Value(F::FirstName);
    if (!b.Has(F::LastName) && !b.Has(F::FirstName)) contacts::SplitDisplayName(b.Value(F::FullName), &given, &family);
    b.Line("N", Escape(family) + ";" + Escape(given) + ";" + Escape(b.Value(F::MiddleName)) + ";" +
                    Escape(b.Value(F::Title)) + ";" + Escape(b.Value(F::Suffix)));
    b.Line("FN", Escape(FormattedName(b)));
    b.Single("NICKNAME", F::NickName);
    b.Single("X-INITIALS", F::Initials);  // vCard 3.0 has no place of its own for them
    // ORG: organisation; unit; office (Evolution reads the third as the office).
    if (b.Has(F::OfficeLocation)) b.Structured("ORG", {F::CompanyName, F::Department, F::OfficeLocation});
    else if (b.Has(F::Department)) b.Structured("ORG", {F::CompanyName, F::Department});
    else b.Single("ORG", F::CompanyName);
    b.Single("TITLE", F::JobTitle);
    b.Single("ROLE", F::Profession);
    PhoneLines(b);
    b.Single("EMAIL;TYPE=INTERNET,PREF", F::Email1Address);
    b.Single("EMAIL;TYPE=INTERNET", F::Email2Address);
    b.Single("EMAIL;TYPE=INTERNET", F::Email3Address);
    // ADR: post office box; extended; street; locality; region; postal code; country.
    b.Structured("ADR;TYPE=WORK", {F::BusinessAddressStreet, F::BusinessAddressCity, F::BusinessAddressState,
                                   F::BusinessAddressPostalCode, F::BusinessAddressCountry}, 2);
    b.Structured("ADR;TYPE=HOME", {F::HomeAddressStreet, F::HomeAddressCity, F::HomeAddressState, F::HomeAddressPostalCode,
                                   F::HomeAddressCountry}, 2);
    b.Structured("ADR;TYPE=OTHER", {F::OtherAddressStreet, F::OtherAddressCity, F::OtherAddressState,
                                    F::OtherAddressPostalCode, F::OtherAddressCountry}, 2);
    if (auto categories = ShownValues(contact.categories); !categories.empty()) {
        std::string v;
        for (const auto& c : categories) v += (v.empty() ? "" : ",") + Escape(c);
        b.Line("CATEGORIES", v);
    }
    DayLines(b, {"BDAY"}, F::Birthday);
    DayLines(b, {"X-EVOLUTION-ANNIVERSARY", "X-ANNIVERSARY"}, F::Anniversary);
    b.Single("URL;TYPE=HOME", F::PersonalHomePage);
    b.Single("URL;TYPE=WORK", F::BusinessHomePage);
    // Outlook's names for the people around the contact, and Evolution's.
    b.Single("X-MS-MANAGER", F::ManagerName);
    b.Single("X-EVOLUTION-MANAGER", F::ManagerName);
    b.Single("X-MS-ASSISTANT", F::AssistantName);
    b.Single("X-EVOLUTION-ASSISTANT", F::AssistantName);
    b.Single("X-MS-SPOUSE", F::Spouse);
    b.Single("X-EVOLUTION-SPOUSE", F::Spouse);
    for (const auto& child : ShownValues(contact.children)) b.Line("X-MS-CHILD", Escape(child));
    if (contact.photo) PhotoLine(b, *contact.photo);
    b.Single("NOTE", F::Body);
    b.Line("END", "VCARD");
    return b.Take();
}

}  // namespace renderings
