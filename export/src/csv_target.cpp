#include "csv_target.h"

#include "run_context.h"

#include <exporting/naming.h>

namespace exporting {

void CsvTarget::StartFolder(const TargetFolder& folder, const std::string&) {
    name_ = folder.name;
    csv_.reset();
}

WriteResult CsvTarget::WriteFile(const ContactRecord& contact, const std::string&, uint64_t entry) {
    if (!csv_) csv_ = std::make_unique<CsvAppender>(CsvFilePath(dir_, name_, entry));
    if (csv_->AppendRow(contact.values)) return WriteResult::Written;
    run_.LogError("Cannot write " + csv_->Path() + ": " + csv_->Problem());
    return WriteResult::Failed;
}

WriteResult CsvTarget::WriteList(const GroupRecord& group, uint64_t) {
    run_.Log("Skip Group \"" + OneLine(group.document.name) + "\": a CSV file holds contacts only", kColourSkip);
    return WriteResult::Skipped;
}

}  // namespace exporting
