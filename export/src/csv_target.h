// A CSV file of contacts: one per exported view, in the view's directory
// and named after it (a list export: one for the run, in the chosen folder),
// fixed at the first contact written to it. A table of contacts has no place
// for a distribution list: groups are skipped, each with a log line.
#pragma once

#include "directory_target.h"

#include <exporting/csv_file.h>

#include <memory>

namespace exporting {

class CsvTarget : public DirectoryTarget {
public:
    using DirectoryTarget::DirectoryTarget;

    WriteResult WriteList(const GroupRecord& group, uint64_t entry) override;

protected:
    void StartFolder(const TargetFolder& folder, const std::string& dir) override;
    WriteResult WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) override;

private:
    std::string name_;
    std::unique_ptr<CsvAppender> csv_;
};

}  // namespace exporting
