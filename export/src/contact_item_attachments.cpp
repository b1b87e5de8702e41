// A contact's files and photo as the attachments of its Outlook item.
#include <exporting/contact_item_fill.h>

#include <mapi/tags.h>

namespace exporting {

namespace {

// The name Outlook gives the attachment that holds a contact's picture.
constexpr char kContactPictureName[] = "ContactPicture.jpg";

mapi::PropertyBag ByValue(const std::string& name, const std::string& mimeType, const std::string& bytes) {
    mapi::PropertyBag a;
    a.Set(mapi::PidTagAttachMethod.Key(), mapi::kAttachByValue);
    a.Set(mapi::PidTagAttachFilename.Key(), name);
    a.Set(mapi::PidTagAttachLongFilename.Key(), name);
    a.Set(mapi::PidTagDisplayName.Key(), name);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        a.Set(mapi::PidTagAttachExtension.Key(), name.substr(dot));
    if (!mimeType.empty()) a.Set(mapi::PidTagAttachMimeTag.Key(), mimeType);
    a.Set(mapi::PidTagAttachSize.Key(), int32_t(std::min<size_t>(bytes.size(), 0x7FFFFFFF)));
    a.Set(mapi::PidTagRenderingPosition.Key(), int32_t(-1));
    a.Set(mapi::PidTagAttachDataBinary.Key(), mapi::Binary(bytes.begin(), bytes.end()));
    return a;
}

}  // namespace

void AddContactAttachments(store::ContactItem& item, const contacts::Contact& c) {
    for (const contacts::Attachment& file : c.attachments) item.AddAttachment(ByValue(file.name, file.mimeType, file.bytes));
    if (!c.photo) return;
    mapi::PropertyBag picture = ByValue(kContactPictureName, c.photo->mimeType, c.photo->bytes);
    picture.Set(mapi::PidTagAttachmentContactPhoto.Key(), true);
    picture.Set(mapi::PidTagAttachmentHidden.Key(), true);
    item.AddAttachment(std::move(picture));
    item.MutableProperties().Set(mapi::PidLidHasPicture.Key(), true);
}

}  // namespace exporting
