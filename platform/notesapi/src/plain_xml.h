// A tokenizer for one XML element written plainly, the form nearly every
// document of a database takes: it reports to expat's own handler types what
// a namespace-aware expat parser would report, at a fraction of the cost, and
// declines everything else so that the caller parses those bytes with expat.
#pragma once

#include <expat.h>

#include <cstddef>

namespace notesapi {

struct PlainXmlHandlers {
    void* userData = nullptr;
    XML_StartElementHandler start = nullptr;
    XML_EndElementHandler end = nullptr;
    XML_CharacterDataHandler text = nullptr;
};

// Reports the elements, attributes and character data of the UTF-8 bytes
// [data, data + size) to handlers as expat would: one element, with white
// space, comments and processing instructions around it; XML's five entities
// and character references decoded; line ends and attribute values
// normalised; CDATA sections as character data; comments and processing
// instructions skipped. The bytes are decoded in place, so they change.
//
// False when the bytes hold anything it does not handle exactly (a DOCTYPE,
// a namespace prefix or declaration, another entity, a name that is not
// ASCII) or are not well-formed in a way it notices; the handlers may have
// been called by then, and what they built must be dropped. Any bytes are
// safe to give it: it reads and writes only inside them, in time linear in
// their size, without recursion.
bool ParsePlainXml(char* data, size_t size, const PlainXmlHandlers& handlers);

}  // namespace notesapi
