#include <store/contact_item.h>
#include <store/distlist_conversions.h>
#include <store/error.h>

#include "conversions_distlist.h"
#include "conversions_fields.h"
#include "conversions_formats.h"
#include "file_writes.h"

#include <base/html.h>
#include <mapi/distribution_list.h>

namespace store {

namespace render {

namespace {

constexpr size_t kMembersPerHtmlList = 200;

bool HasText(const std::string& s) { return s.find_first_not_of(" \t\n") != std::string::npos; }

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

ShownList ShownListOf(const mapi::PropertyBag& properties) {
    ShownList list;
    for (const auto& key : {mapi::PidLidDistributionListName.Key(), mapi::PidTagDisplayName.Key(), mapi::PidTagSubject.Key()})
        if (list.name.empty()) list.name = OneLine(properties.GetString(key).value_or(std::string()));
    if (!HasText(list.name)) list.name = "Distribution List";
    list.description = ShownValue(properties, mapi::ContactField::Body);
    if (!HasText(list.description)) list.description.clear();
    for (const auto& m : mapi::DistributionListMembers(properties)) {
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
    if (!list.description.empty()) {
        out += "{\\b Description:} ";
        rtf::AppendEscaped(out, list.description);
        out += "\\par\n";
    }
    out += "{\\b Members:} " + std::to_string(list.members.size()) + "\\par\n";
    for (const auto& m : list.members) {
        out += "\\tab ";
        rtf::AppendEscaped(out, m.line);
        out += "\\par\n";
    }
    out += "}\n";
    return out;
}

}  // namespace render

std::string RenderDistListToString(const mapi::PropertyBag& properties, int type) {
    switch (type) {
        case olTXT: return render::ListText(render::ShownListOf(properties));
        case olRTF:
        case olDoc: return render::ListRtf(render::ShownListOf(properties));
        case olHTML: return render::ListHtml(render::ShownListOf(properties));
        case olVCard: return render::ListVCard(render::ShownListOf(properties));
        case olMHTML: {
            const render::ShownList list = render::ShownListOf(properties);
            return render::MhtmlDocument(list.name, render::ListHtml(list));
        }
        case 3:
        case olMSGUnicode: return render::Msg(properties);
        default: render::ThrowUnsupportedType(type);
    }
}

void RenderDistList(const mapi::PropertyBag& properties, const std::string& path, int type) {
    WriteWholeFile(path, RenderDistListToString(properties, type));
}

}  // namespace store
