#include <carddav/multistatus.h>

#include <expat.h>

#include <algorithm>

namespace carddav {

namespace {

// Where the reader stands: the path of open elements decides what text and
// which elements mean.
struct Reader {
    XML_Parser parser = nullptr;
    std::vector<std::string> open;
    std::vector<DavResponse> responses;
    // The current propstat's properties, kept until its status says whether
    // they were found.
    std::map<std::string, std::string> props;
    std::map<std::string, std::vector<std::string>> propHrefs;
    std::vector<std::string> types;
    std::vector<std::string> versions;
    std::string propstatStatus;
    std::string text;
    bool refused = false;

    // The index of name among the open elements from the end, or -1.
    long Depth(const char* name) const {
        for (size_t i = open.size(); i-- > 0;)
            if (open[i] == name) return long(i);
        return -1;
    }
    // The property element being read: the child of DAV: prop.
    std::string Property() const {
        const long prop = Depth("DAV: prop");
        return prop >= 0 && size_t(prop + 1) < open.size() ? open[prop + 1] : std::string();
    }
};

const std::string kResponse = "DAV: response", kPropstat = "DAV: propstat", kProp = "DAV: prop", kHref = "DAV: href",
                  kStatus = "DAV: status", kResourceType = "DAV: resourcetype";
const std::string kAddressDataType = std::string(kCardDav) + "address-data-type";

// An attribute's value, or empty.
std::string Attribute(const XML_Char** attributes, const char* name) {
    for (size_t i = 0; attributes[i]; i += 2)
        if (std::string(attributes[i]) == name) return attributes[i + 1];
    return {};
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* r = static_cast<Reader*>(data);
    const std::string element = name;
    if (element == kResponse) r->responses.emplace_back();
    if (element == kPropstat) {
        r->props.clear();
        r->propHrefs.clear();
        r->types.clear();
        r->versions.clear();
        r->propstatStatus.clear();
    }
    if (!r->open.empty() && r->open.back() == kResourceType && r->Depth(kProp.c_str()) >= 0) r->types.push_back(element);
    // <address-data-type content-type="text/vcard" version="4.0"/>: the
    // content type is a vCard and the version 3.0 where they are left out
    // (RFC 6352 section 10.2).
    if (element == kAddressDataType && r->Depth(kProp.c_str()) >= 0) {
        const std::string type = Attribute(attributes, "content-type"), version = Attribute(attributes, "version");
        if (type.empty() || type == "text/vcard") r->versions.push_back(version.empty() ? "3.0" : version);
    }
    r->open.push_back(element);
    r->text.clear();
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
    auto* r = static_cast<Reader*>(data);
    const std::string element = r->open.back();
    const std::string property = r->Property();
    r->open.pop_back();
    const std::string parent = r->open.empty() ? std::string() : r->open.back();
    if (r->responses.empty()) return;
    DavResponse& response = r->responses.back();
    if (element == kHref && parent == kResponse) response.href = r->text;
    else if (element == kStatus && parent == kResponse) response.status = r->text;
    else if (element == kStatus && parent == kPropstat) r->propstatStatus = r->text;
    else if (element == kHref && !property.empty() && property != element) r->propHrefs[property].push_back(r->text);
    else if (!property.empty() && element == property) r->props[property] = r->text;
    if (element == kPropstat) {
        // "HTTP/1.1 200 OK": only found properties count.
        const size_t space = r->propstatStatus.find(' ');
        if (space != std::string::npos && r->propstatStatus.compare(space + 1, 1, "2") == 0) {
            for (auto& [k, v] : r->props) response.props[k] = v;
            for (auto& [k, v] : r->propHrefs) response.propHrefs[k] = v;
            for (auto& t : r->types) response.resourceTypes.push_back(t);
            for (auto& v : r->versions) response.vcardVersions.push_back(v);
        }
    }
    r->text.clear();
}

void XMLCALL OnText(void* data, const XML_Char* s, int len) { static_cast<Reader*>(data)->text.append(s, size_t(len)); }

// A reply has no business with a document type: its entities could make a
// small reply huge or reach for other files.
void XMLCALL OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* r = static_cast<Reader*>(data);
    r->refused = true;
    XML_StopParser(r->parser, XML_FALSE);
}

}  // namespace

std::string DavResponse::Prop(const std::string& name) const {
    auto it = props.find(name);
    return it == props.end() ? std::string() : it->second;
}

bool DavResponse::IsAddressBook() const {
    return std::find(resourceTypes.begin(), resourceTypes.end(), std::string(kCardDav) + "addressbook") !=
           resourceTypes.end();
}

std::optional<std::vector<DavResponse>> ParseMultistatus(std::string_view xml, std::string* why) {
    Reader reader;
    reader.parser = XML_ParserCreateNS(nullptr, ' ');
    if (!reader.parser) {
        *why = "no memory for the XML reader";
        return std::nullopt;
    }
    XML_SetUserData(reader.parser, &reader);
    XML_SetElementHandler(reader.parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(reader.parser, OnText);
    XML_SetStartDoctypeDeclHandler(reader.parser, OnDoctype);
    // In pieces, so that a reply of any length fits expat's int lengths.
    constexpr size_t kPiece = size_t(1) << 20;
    bool ok = true;
    for (size_t at = 0; ok && !reader.refused;) {
        const size_t n = std::min(kPiece, xml.size() - at);
        const bool last = at + n == xml.size();
        ok = XML_Parse(reader.parser, xml.data() + at, int(n), last) == XML_STATUS_OK;
        at += n;
        if (last) break;
    }
    if (reader.refused) *why = "the reply carries a document type";
    else if (!ok) *why = std::string("the reply is not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(reader.parser));
    XML_ParserFree(reader.parser);
    if (!ok || reader.refused) return std::nullopt;
    return std::move(reader.responses);
}

}  // namespace carddav
