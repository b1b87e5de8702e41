// One file per contact or group: an MSG file, a rendering of the contact or
// distribution list item (HTML, TXT, RTF, DOC, MHTML, vCard), or a PDF
// rendered from its HTML. Files are named by the naming convention and the
// entry index; a list's subject is its ListName. An MSG file carries where
// its item comes from; the other files are recorded in the folder's journal.
#pragma once

#include "directory_target.h"

namespace exporting {

class ItemFileTarget : public DirectoryTarget {
public:
    using DirectoryTarget::DirectoryTarget;

    WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) override;
    // A rendering's bytes (a PDF laid out), unless the message filter is on
    // (most contacts would then be left out) or the file is an MSG file.
    std::unique_ptr<PreparedFile> Prepare(ContactRecord& contact, const std::function<bool()>& stop) const override;

protected:
    void StartFolder(const TargetFolder&, const std::string&) override {}
    WriteResult WriteFile(ContactRecord& contact, const std::string& subject, uint64_t entry,
                          const mapi::SourceIdentity& source, const Earlier* earlier, const PreparedFile* prepared) override;

private:
    // The contact's file, with the File As text it is named by when the
    // naming asks for it.
    std::unique_ptr<PreparedFile> RenderContact(ContactRecord& contact, const std::string& subject,
                                                const std::function<bool()>& stop) const;
    // The path of the item's file: its earlier file, else one named by base
    // and entry.
    std::string PathFor(const Earlier* earlier, const std::string& base, uint64_t entry);
    // A file written whole is recorded in the folder's journal; an MSG file
    // carries its source itself.
    void Written(const std::string& path, const mapi::SourceIdentity& source);
};

}  // namespace exporting
