#include <store/contact_item.h>
#include <store/conversions.h>
#include <store/error.h>

#include "conversions_formats.h"
#include "file_writes.h"

#include <msg/msg_file.h>

namespace store {

namespace render {

std::string Msg(const mapi::PropertyBag& properties) {
    try {
        return msg::EncodeMessage(properties);
    } catch (const std::invalid_argument& e) {
        throw StoreError(ErrorCode::InvalidArgument, e.what());
    }
}

void ThrowUnsupportedType(int type) {
    throw StoreError(ErrorCode::InvalidArgument, "SaveAs type " + std::to_string(type) + " is not supported");
}

}  // namespace render

std::string RenderContactToString(const mapi::PropertyBag& properties, int type) {
    switch (type) {
        case olTXT: return render::Text(properties);
        case olRTF:
        case olDoc: return render::Rtf(properties);  // Word and LibreOffice open RTF saved as .doc
        case olHTML: return render::Html(properties);
        case olVCard: return render::VCard(properties);
        case olMHTML: return render::Mhtml(properties);
        case 3:
        case olMSGUnicode: return render::Msg(properties);
        default: render::ThrowUnsupportedType(type);
    }
}

void RenderContact(const mapi::PropertyBag& properties, const std::string& path, int type) {
    WriteWholeFile(path, RenderContactToString(properties, type));
}

}  // namespace store
