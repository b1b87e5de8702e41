#include "xml_support.h"

namespace notesapi {

namespace {
void RefuseEntity(void* userData, const XML_Char*, int, const XML_Char*, int, const XML_Char*, const XML_Char*,
                  const XML_Char*, const XML_Char*) {
    auto* state = static_cast<ReaderBase*>(userData);
    state->entityRefused = true;
    XML_StopParser(state->parser, XML_FALSE);
}
}  // namespace

ParserPtr NewSafeParser(const std::string& encoding, ReaderBase* state) {
    ParserPtr p(XML_ParserCreateNS(encoding.empty() ? nullptr : encoding.c_str(), kNsSeparator));
    if (!p) return p;
    state->parser = p.get();
    XML_SetUserData(p.get(), state);
    XML_SetParamEntityParsing(p.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetEntityDeclHandler(p.get(), RefuseEntity);
    return p;
}

}  // namespace notesapi
