#include "distribution_list.h"
#include "formats.h"

#include <cctype>
#include <cstring>

namespace renderings {

namespace {

// A parameter value in double quotes, which hold ";", ":" and "," as they
// are; a double quote or control character cannot stand in one and is
// left out, as Evolution does.
std::string ParamValue(const std::string& text) {
    std::string out = "\"";
    for (char c : text)
        if (c != '"' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    return out + "\"";
}

// The name as the phrase of an address: as it is when it holds only what a
// phrase may hold unquoted, else in double quotes with \ and " escaped.
std::string Phrase(const std::string& name) {
    bool plain = true;
    for (unsigned char c : name)
        plain = plain && (c >= 0x80 || std::isalnum(c) || c == ' ' || (c != 0 && std::strchr("!#$%&'*+-/=?^_`{|}~", c)));
    if (plain) return name;
    std::string out = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string ListVCard(const ShownList& list) {
    using vcard::AppendLine;
    using vcard::Escape;
    std::string out;
    AppendLine(out, "BEGIN:VCARD");
    AppendLine(out, "VERSION:3.0");
    AppendLine(out, "PRODID:-//Ferrywell//Distribution List//EN");
    AppendLine(out, "N:" + Escape(list.name) + ";;;;");
    AppendLine(out, "FN:" + Escape(list.name));
    AppendLine(out, "X-EVOLUTION-FILE-AS:" + Escape(list.name));
    AppendLine(out, "X-EVOLUTION-LIST:TRUE");
    if (!list.description.empty()) AppendLine(out, "NOTE:" + Escape(list.description));
    // One EMAIL per member, as Evolution's list editor writes a member that
    // is not one of its contacts: the name and address as parameters, the
    // whole address as the value.
    for (const auto& m : list.members) {
        std::string line = "EMAIL";
        const bool named = !m.name.empty() && m.name != m.address;
        if (named) line += ";X-EVOLUTION-DEST-NAME=" + ParamValue(m.name);
        if (!m.address.empty()) line += ";X-EVOLUTION-DEST-EMAIL=" + ParamValue(m.address);
        line += ";X-EVOLUTION-DEST-HTML-MAIL=FALSE:";
        if (m.address.empty()) line += Escape(m.name);
        else if (!named) line += Escape(m.address);
        else line += Escape(Phrase(m.name) + " <" + m.address + ">");
        AppendLine(out, line);
    }
    AppendLine(out, "END:VCARD");
    return out;
}

}  // namespace renderings
