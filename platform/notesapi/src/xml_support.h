// Small helpers shared by the two expat readers (whole file, one document).
#pragma once

#include <expat.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace notesapi {

inline constexpr char kNsSeparator = '|';
inline constexpr std::string_view kDxlNamespace = "http://www.lotus.com/dxl";

// Local part of an expanded element name "namespace|local".
inline std::string_view LocalName(const XML_Char* name) {
    const char* bar = std::strchr(name, kNsSeparator);
    return bar ? std::string_view(bar + 1) : std::string_view(name);
}

inline const char* Attr(const XML_Char** atts, std::string_view key) {
    for (size_t i = 0; atts[i]; i += 2)
        if (LocalName(atts[i]) == key) return atts[i + 1];
    return nullptr;
}

inline bool AttrTrue(const XML_Char** atts, std::string_view key) {
    const char* v = Attr(atts, key);
    return v && std::string_view(v) == "true";
}

struct ParserDeleter {
    void operator()(XML_ParserStruct* p) const { XML_ParserFree(p); }
};
using ParserPtr = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

// State every reader starts with; a reader's state type derives from it first
// so that expat's user data points at both.
struct ReaderBase {
    XML_Parser parser = nullptr;
    // Why the parser was stopped ("declares its own XML entities"), and where.
    std::string refused;
    unsigned long refusedLine = 0, refusedColumn = 0;
    bool refusedEntityDeclaration = false;
    std::string undeclaredEntity;  // set when the refusal is an unknown entity
    bool externalDtd = false;  // the DOCTYPE names a DTD, which is never read
};

// Stops the parser with a reason that the reader reports.
void Refuse(ReaderBase* state, std::string why);

// A namespace-aware parser that never reads an external DTD and stops at
// anything a DOCTYPE's internal subset declares (entities, attribute defaults,
// elements, notations) and at an entity it does not know, so that the file
// means what its elements and attributes say and no entity beyond XML's own
// five is expanded. Handlers get state as user data.
ParserPtr NewSafeParser(const std::string& encoding, ReaderBase* state);
// The same for a parser made or reset by the caller, before it parses.
void MakeParserSafe(XML_Parser parser, ReaderBase* state);

// For a start tag being reported: refuses a reference to an entity that is not
// one of XML's five, which expat drops silently from attribute values when
// the DOCTYPE names a DTD it does not read. False when it refused.
bool CheckAttributeEntities(ReaderBase* state);

}  // namespace notesapi
