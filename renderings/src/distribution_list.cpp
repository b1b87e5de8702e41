#include "distribution_list.h"

#include "contact_fields.h"
#include "formats.h"

#include <base/html.h>

namespace renderings {

namespace {

constexpr size_t kMembersPerHtmlList = 200;

// A member's text on one line: line breaks and tabs become blanks.
std::string OneLine(const std::string& text) {
    std::string out = Clean(text);
    for (char& c : out)
        if (c == '\n' || c == '\t') c = ' ';
    return out;
}

// Further lines of a value are indented so that each entry stays one block.
void AppendIndented(std::string& out, const std::string& value) {
    for (char c : value) {
        out += c;
        if (c == '\n') out += "    ";
    }
    out += '\n';
}

void AppendHtml(std::string& out, const std::string& text) { base::AppendHtmlEscaped(out, text, base::LineBreaks::ToBrTags); }

}  // namespace

ShownList ShownListOf(const contacts::DistributionList& source) {
    ShownList list;
    list.name = OneLine(source.name);
    if (!HasText(list.name)) list.name = "Distribution List";
    list.description = Clean(source.description);
    if (!HasText(list.description)) list.description.clear();
    for (const contacts::Member& m : source.members) {
        ShownMember shown{OneLine(m.displayName), OneLine(m.address), {}};
        if (!HasText(shown.address)) shown.address.clear();
        if (shown.address.empty()) shown.line = shown.name;
        else if (!HasText(shown.name) || shown.name == shown.address) shown.line = shown.address;
        else shown.line = shown.name + " <" + shown.address + ">";
        list.members.push_back(std::move(shown));
    }
    return list;
}

std::string ListText(const ShownList& list) {
    std::string out = "Name: " + list.name + "\n";
    if (!list.description.empty()) {
        out += "Description: ";
        AppendIndented(out, list.description);
    }
    out += "Members: " + std::to_string(list.members.size()) + "\n";
    for (const auto& m : list.members) out += "    " + m.line + "\n";
    return out;
}

std::string ListHtml(const ShownList& list) {
    std::string out = HtmlPageStart(list.name);
    out += "<table>\n";
    if (!list.description.empty()) {
        out += "<tr><th>Description</th><td>";
        AppendHtml(out, list.description);
        out += "</td></tr>\n";
    }
    out += "<tr><th>Members</th><td>" + std::to_string(list.members.size()) + "</td></tr>\n</table>\n";
    // The members go into lists of at most kMembersPerHtmlList items, each
    // following on the one before without a gap: laying out one list takes
    // time in the square of its items in Qt's text engine, which makes the
    // PDF of a list of many thousand members.
    for (size_t i = 0; i < list.members.size(); ++i) {
        if (i % kMembersPerHtmlList == 0) {
            if (i > 0) out += "</ul>\n";
            out += i == 0 ? "<ul style=\"margin-bottom: 0\">\n" : "<ul style=\"margin-top: 0; margin-bottom: 0\">\n";
        }
        out += "<li>";
        AppendHtml(out, list.members[i].line);
        out += "</li>\n";
    }
    if (!list.members.empty()) out += "</ul>\n";
    out += "</body>\n</html>\n";
    return out;
}

std::string ListRtf(const ShownList& list) {
    std::string out = rtf::DocumentStart(list.name);
    if (!list.description.empty()) rtf::AppendParagraph(out, "Description", list.description);
    rtf::AppendParagraph(out, "Members", std::to_string(list.members.size()));
    for (const auto& m : list.members) {
        out += "\\tab ";
        rtf::AppendEscaped(out, m.line);
        out += "\\par\n";
    }
    out += "}\n";
    return out;
}

}  // namespace renderings
