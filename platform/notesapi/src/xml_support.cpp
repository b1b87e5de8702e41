#include "xml_support.h"

#include <algorithm>

namespace notesapi {

namespace {

ReaderBase* State(void* userData) { return static_cast<ReaderBase*>(userData); }

void RefuseEntity(void* userData, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                  const XML_Char*, const XML_Char*) {
    State(userData)->refusedEntityDeclaration = true;
    Refuse(State(userData), "declares its own XML entities");
}
void RefuseAttlist(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Refuse(State(userData), "declares attribute defaults in its DOCTYPE");
}
void RefuseElement(void* userData, const XML_Char*, XML_Content* model) {
    XML_FreeContentModel(State(userData)->parser, model);
    Refuse(State(userData), "declares elements in its DOCTYPE");
}
void RefuseNotation(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    Refuse(State(userData), "declares notations in its DOCTYPE");
}
void RefuseUndeclared(ReaderBase* state, std::string name) {
    state->undeclaredEntity = name;
    Refuse(state, "uses the entity &" + name + "; without declaring it");
}
void RefuseSkipped(void* userData, const XML_Char* name, int) { RefuseUndeclared(State(userData), name); }
void StartDoctype(void* userData, const XML_Char*, const XML_Char* sysid, const XML_Char* pubid, int) {
    if (sysid || pubid) State(userData)->externalDtd = true;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
           c == '-' || c == '.' || (static_cast<unsigned char>(c) & 0x80);
}

}  // namespace

void Refuse(ReaderBase* state, std::string why) {
    if (!state->refused.empty()) return;
    state->refused = std::move(why);
    state->refusedLine = XML_GetCurrentLineNumber(state->parser);
    state->refusedColumn = XML_GetCurrentColumnNumber(state->parser);
    XML_StopParser(state->parser, XML_FALSE);
}

ParserPtr NewSafeParser(const std::string& encoding, ReaderBase* state) {
    ParserPtr p(XML_ParserCreateNS(encoding.empty() ? nullptr : encoding.c_str(), kNsSeparator));
    if (p) MakeParserSafe(p.get(), state);
    return p;
}

void MakeParserSafe(XML_Parser p, ReaderBase* state) {
    state->parser = p;
    XML_SetUserData(p, state);
    XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetEntityDeclHandler(p, RefuseEntity);
    XML_SetAttlistDeclHandler(p, RefuseAttlist);
    XML_SetElementDeclHandler(p, RefuseElement);
    XML_SetNotationDeclHandler(p, RefuseNotation);
    XML_SetSkippedEntityHandler(p, RefuseSkipped);
    XML_SetStartDoctypeDeclHandler(p, StartDoctype);
}

bool CheckAttributeEntities(ReaderBase* state) {
    if (!state->externalDtd) return true;  // expat itself refuses unknown entities then
    int offset = 0, size = 0;
    const char* context = XML_GetInputContext(state->parser, &offset, &size);
    const int count = XML_GetCurrentByteCount(state->parser);
    if (!context || offset < 0 || count <= 0 || offset + count > size) return true;
    const char* p = context + offset;
    const char* end = p + count;
    while ((p = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)))) != nullptr) {
        const char* name = ++p;
        if (p < end && *p == '#') continue;  // a character reference
        while (p < end && IsNameChar(*p)) ++p;
        std::string_view ref(name, size_t(p - name));
        if (ref.empty() || ref == "lt" || ref == "gt" || ref == "amp" || ref == "apos" || ref == "quot") continue;
        RefuseUndeclared(state, std::string(ref));
        return false;
    }
    return true;
}

}  // namespace notesapi
