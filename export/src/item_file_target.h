// One file per contact or group: an MSG file, a rendering of the contact or
// distribution list item (HTML, TXT, RTF, DOC, MHTML, vCard), or a PDF
// rendered from its HTML. Files are named by the naming convention and the
// entry index; a list's subject is its ListName.
#pragma once

#include "directory_target.h"

namespace exporting {

class ItemFileTarget : public DirectoryTarget {
public:
    using DirectoryTarget::DirectoryTarget;

    WriteResult WriteList(const GroupRecord& group, uint64_t entry) override;

protected:
    void StartFolder(const TargetFolder&, const std::string&) override {}
    WriteResult WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) override;
};

}  // namespace exporting
