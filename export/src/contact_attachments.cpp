// A contact document's attached files, the pictures of its rich text and its
// photo, read with their bytes.
#include <exporting/contact_map.h>

#include <base/ascii.h>
#include <base/base64.h>
#include <contacts/attachment_files.h>

namespace exporting {

namespace {

bool IsPhotoItem(std::string_view name) {
    return base::EqualsIgnoringAsciiCase(name, "Photo") || base::EqualsIgnoringAsciiCase(name, "$Photo");
}

std::string AttachmentMark(const std::string& name) { return "[attachment: " + name + "]"; }

// The rich texts and values of the record, where a file's icon shows as its
// mark.
bool Shown(const ContactRecord& c, const std::string& mark) {
    if (c.body.find(mark) != std::string::npos || c.comment.find(mark) != std::string::npos) return true;
    for (const NotesItem& item : c.items)
        for (const std::string& v : item.values)
            if (v.find(mark) != std::string::npos) return true;
    return false;
}

struct Read {
    std::string sourceName;  // as the document names it
    std::string richTextItem;
    contacts::Attachment file;
};

// The file a photo item names, as a value or as an attachment's icon.
const Read* NamedByPhotoItem(const LNDocument& doc, const std::vector<Read>& files) {
    std::vector<std::string> names;
    try {
        names = doc.GetItemNames();
    } catch (const notesapi::NotesError&) {
        return nullptr;
    }
    for (const std::string& name : names) {
        if (!IsPhotoItem(name)) continue;
        for (const std::string& value : notes::ReadTextValues(doc, name))
            for (const Read& f : files)
                if (f.richTextItem.empty() && (value == f.sourceName || value.find(AttachmentMark(f.sourceName)) != std::string::npos))
                    return &f;
    }
    return nullptr;
}

// The photo by the rule ReadAttachments tells.
const Read* PhotoOf(const LNDocument& doc, const std::vector<Read>& files) {
    for (const Read& f : files)
        if (IsPhotoItem(f.richTextItem)) return &f;
    if (const Read* named = NamedByPhotoItem(doc, files)) return named;
    const Read* only = nullptr;
    for (const Read& f : files) {
        if (!f.richTextItem.empty() || !f.file.mimeType.starts_with("image/")) continue;
        if (only) return nullptr;
        only = &f;
    }
    return only;
}

}  // namespace

void ReadAttachments(const LNDocument& doc, ContactRecord* contact) {
    ContactRecord& c = *contact;
    LNAttachmentArray found;
    try {
        doc.GetAttachments(&found);
    } catch (const notesapi::NotesError&) {
        return;
    }
    if (found.GetCount() == 0) return;  // most contacts: nothing more to look at
    std::vector<Read> files;
    for (size_t i = 0; i < found.GetCount(); ++i) {
        const LNAttachment a = found[i];
        Read read{a.GetAttachmentName().str(), a.GetRichTextItem().str(), {}};
        read.file.name = contacts::CleanFileName(read.sourceName);
        switch (base::Base64DecodeChecked(a.EncodedData(), contacts::kMaxAttachmentBytes, &read.file.bytes)) {
        case base::Base64Check::Ok: break;
        case base::Base64Check::Malformed:
            c.attachmentsLeftOut.push_back(read.file.name + ": its data is damaged");
            continue;
        case base::Base64Check::TooLarge:
            c.attachmentsLeftOut.push_back(read.file.name + ": it is larger than " +
                                           std::to_string(contacts::kMaxAttachmentBytes >> 20) + " MB");
            continue;
        }
        read.file.mimeType = contacts::MimeTypeOf(read.file.name);
        files.push_back(std::move(read));
    }
    // Files no rich text shows are named after the body, damaged ones too,
    // and so are pictures of items the notes leave out ($Photo...).
    for (size_t i = 0; i < found.GetCount(); ++i) {
        const LNAttachment a = found[i];
        const std::string name = a.GetAttachmentName().str();
        const bool picture = !a.GetRichTextItem().str().empty();
        const std::string mark = picture ? "[picture: " + name + "]" : AttachmentMark(name);
        if (Shown(c, mark)) continue;
        if (!c.body.empty() && c.body.back() != '\n') c.body += '\n';
        c.body += picture ? mark : AttachmentMark(contacts::CleanFileName(name));
    }
    if (const Read* photo = files.empty() ? nullptr : PhotoOf(doc, files)) {
        const std::string type = contacts::ImageTypeOf(photo->file.bytes);
        if (!type.empty()) c.photo = contacts::Photo{type, photo->file.bytes};
    }
    c.attachments.reserve(files.size());
    for (Read& f : files) c.attachments.push_back(std::move(f.file));
    c.hasAttachments = !c.attachments.empty() || c.photo.has_value();
}

}  // namespace exporting
