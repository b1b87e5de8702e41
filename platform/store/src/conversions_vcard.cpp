#include "conversions_fields.h"
#include "conversions_formats.h"

#include <initializer_list>

namespace store::render {

namespace vcard {

constexpr size_t kMaxLineOctets = 75;

// Text value escaping: backslash, comma, semicolon and line breaks.
std::string Escape(const std::string& v) {
    std::string out;
    out.reserve(v.size());
    for (char c : v) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ',': out += "\\,"; break;
            case ';': out += "\\;"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

// Appends a content line, folded so no line exceeds 75 octets; a fold never
// falls inside a UTF-8 sequence.
void AppendLine(std::string& out, const std::string& line) {
    size_t pos = 0, limit = kMaxLineOctets;
    while (line.size() - pos > limit) {
        size_t cut = pos + limit;
        while (cut > pos && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line, pos, cut - pos).append("\r\n ");
        pos = cut;
        limit = kMaxLineOctets - 1;  // the leading blank of a continuation line counts
    }
    out.append(line, pos, std::string::npos).append("\r\n");
}

}  // namespace vcard

namespace {

using F = mapi::ContactField;
using vcard::AppendLine;
using vcard::Escape;

class CardBuilder {
public:
    explicit CardBuilder(const mapi::PropertyBag& p) : p_(p) {}

    std::string Value(F f) const { return ShownValue(p_, f); }
    bool Has(F f) const { return Value(f).find_first_not_of(" \t\n") != std::string::npos; }

    void Line(const std::string& nameAndParams, const std::string& escapedValue) {
        AppendLine(out_, nameAndParams + ":" + escapedValue);
    }
    void Single(const std::string& nameAndParams, F f) {
        if (Has(f)) Line(nameAndParams, Escape(Value(f)));
    }
    // A structured value: components joined by ';', written when any is set.
    void Structured(const std::string& nameAndParams, std::initializer_list<F> parts, size_t leadingEmpty = 0,
                    size_t trailingEmpty = 0) {
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
        v.append(trailingEmpty, ';');
        Line(nameAndParams, v);
    }
    std::string Take() { return std::move(out_); }

private:
    const mapi::PropertyBag& p_;
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

// Birthday and anniversary are dates; a time of day is left out.
void DateLine(CardBuilder& b, const std::string& name, F f) {
    if (b.Has(f)) b.Line(name, b.Value(f).substr(0, 10));
}

}  // namespace

std::string VCard(const mapi::PropertyBag& properties) {
    CardBuilder b(properties);
    b.Line("BEGIN", "VCARD");
    b.Line("VERSION", "3.0");
    b.Line("PRODID", "-//Ferrywell//Contact//EN");
    // N: family; given; additional; prefix; suffix (always present in 3.0).
    b.Line("N", Escape(b.Value(F::LastName)) + ";" + Escape(b.Value(F::FirstName)) + ";" +
                    Escape(b.Value(F::MiddleName)) + ";" + Escape(b.Value(F::Title)) + ";");
    b.Line("FN", Escape(FormattedName(b)));
    b.Single("NICKNAME", F::NickName);
    if (b.Has(F::Department)) b.Structured("ORG", {F::CompanyName, F::Department});
    else b.Single("ORG", F::CompanyName);
    b.Single("TITLE", F::JobTitle);
    b.Single("ROLE", F::Profession);
    b.Single("TEL;TYPE=PREF,VOICE", F::PrimaryTelephoneNumber);
    b.Single("TEL;TYPE=WORK,VOICE", F::BusinessTelephoneNumber);
    b.Single("TEL;TYPE=WORK,VOICE", F::Business2TelephoneNumber);
    b.Single("TEL;TYPE=WORK,X-COMPANY-MAIN", F::CompanyMainTelephoneNumber);
    b.Single("TEL;TYPE=HOME,VOICE", F::HomeTelephoneNumber);
    b.Single("TEL;TYPE=HOME,VOICE", F::Home2TelephoneNumber);
    b.Single("TEL;TYPE=CELL,VOICE", F::MobileTelephoneNumber);
    b.Single("TEL;TYPE=WORK,FAX", F::BusinessFaxNumber);
    b.Single("TEL;TYPE=HOME,FAX", F::HomeFaxNumber);
    b.Single("TEL;TYPE=X-TELEX", F::TelexNumber);
    b.Single("EMAIL;TYPE=INTERNET,PREF", F::Email1Address);
    b.Single("EMAIL;TYPE=INTERNET", F::Email2Address);
    b.Single("EMAIL;TYPE=INTERNET", F::Email3Address);
    // ADR: post office box; extended; street; locality; region; postal code; country.
    b.Structured("ADR;TYPE=WORK",
                 {F::BusinessAddressStreet, F::BusinessAddressCity, F::BusinessAddressState, F::BusinessAddressPostalCode}, 2, 1);
    {
        // The home address has no city among the contact's fields.
        bool any = false;
        for (F f : {F::HomeAddressStreet, F::HomeAddressState, F::HomeAddressPostalCode, F::HomeAddressCountry}) any = any || b.Has(f);
        if (any)
            b.Line("ADR;TYPE=HOME", ";;" + Escape(b.Value(F::HomeAddressStreet)) + ";;" + Escape(b.Value(F::HomeAddressState)) + ";" +
                                        Escape(b.Value(F::HomeAddressPostalCode)) + ";" + Escape(b.Value(F::HomeAddressCountry)));
        if (b.Has(F::OtherAddressCity) || b.Has(F::OtherAddressPostalCode))
            b.Line("ADR;TYPE=POSTAL,X-OTHER",
                   ";;;" + Escape(b.Value(F::OtherAddressCity)) + ";;" + Escape(b.Value(F::OtherAddressPostalCode)) + ";");
    }
    DateLine(b, "BDAY", F::Birthday);
    DateLine(b, "X-ANNIVERSARY", F::Anniversary);
    b.Single("URL;TYPE=HOME", F::PersonalHomePage);
    b.Single("URL;TYPE=WORK", F::BusinessHomePage);
    b.Single("X-MS-MANAGER", F::ManagerName);
    b.Single("X-MS-ASSISTANT", F::AssistantName);
    b.Single("X-MS-SPOUSE", F::Spouse);
    b.Single("NOTE", F::Body);
    b.Line("END", "VCARD");
    return b.Take();
}

}  // namespace store::render
