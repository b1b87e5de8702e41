#include <renderings/render.h>

#include "distribution_list.h"
#include "formats.h"

#include <utility>

namespace renderings {

std::string RenderContact(const contacts::Contact& contact, Format format) {
    switch (format) {
    case Format::Text: return Text(contact);
    case Format::Rtf:
    case Format::Doc: return Rtf(contact);
    case Format::Html: return Html(contact);
    case Format::VCard: return VCard(contact);
    case Format::Mhtml: return Mhtml(contact);
    }
    return {};
}

std::string RenderContact(contacts::Contact&& contact, Format format) {
    if (format == Format::Mhtml) return Mhtml(std::move(contact));
    return RenderContact(std::as_const(contact), format);
}

std::string RenderDistributionList(const contacts::DistributionList& source, Format format) {
    const ShownList list = ShownListOf(source);
    switch (format) {
    case Format::Text: return ListText(list);
    case Format::Rtf:
    case Format::Doc: return ListRtf(list);
    case Format::Html: return ListHtml(list);
    case Format::VCard: return ListVCard(list);
    case Format::Mhtml: return MhtmlDocument(list.name, ListHtml(list));
    }
    return {};
}

}  // namespace renderings
