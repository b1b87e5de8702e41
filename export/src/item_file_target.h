// One file per contact: an MSG file, a rendering of the contact item (HTML,
// TXT, RTF, DOC, MHTML, vCard), or a PDF rendered from its HTML. Files are
// named by the naming convention and the contact's entry index.
#pragma once

#include "directory_target.h"

namespace exporting {

class ItemFileTarget : public DirectoryTarget {
public:
    using DirectoryTarget::DirectoryTarget;

protected:
    void StartFolder(const TargetFolder&, const std::string&) override {}
    bool WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) override;
};

}  // namespace exporting
