// A CSV file of contacts: one per exported view, in the view's directory
// and named after it (a list export: one for the run, in the chosen folder),
// fixed at the first contact written to it. A table of contacts has no place
// for a distribution list: groups are skipped, each with a log line.
//
// Each row is recorded in the folder's journal by its line. With "Ignore
// already saved message" the file an earlier run of the database wrote is
// continued: its recorded rows are kept (what follows them, written by a
// run killed before it recorded it, is cut off) and rows are appended
// without a second header; the rows of changed documents cannot be replaced
// one by one, so the file is rewritten whole with them when the folder ends.
#pragma once

#include "directory_target.h"

#include <exporting/csv_file.h>

#include <map>
#include <memory>

namespace exporting {

class CsvTarget : public DirectoryTarget {
public:
    using DirectoryTarget::DirectoryTarget;

    WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) override;
    // Also rewrites the rows of changed documents (unless onlyWhenDue).
    void Commit(bool onlyWhenDue = false) override;

protected:
    void StartFolder(const TargetFolder& folder, const std::string& dir) override;
    void EndFolder() override;
    WriteResult WriteFile(ContactRecord& contact, const std::string& subject, uint64_t entry,
                          const mapi::SourceIdentity& source, const Earlier* earlier, const PreparedFile*) override;

private:
    // Continues the CSV file the journal records rows of this database in.
    void ContinueFile();
    void OpenFile(uint64_t entry);
    // Rewrites the files with the rows waiting for it, then records them; a
    // file that cannot be rewritten moves its rows from written to failed.
    void ReplaceRows();

    struct Replacement {
        std::string row;  // without its line end
        mapi::SourceIdentity source;
    };

    std::string name_;
    std::string path_;  // the CSV file, once fixed
    std::unique_ptr<CsvAppender> csv_;
    bool tableStarted_ = false;  // the file holds this folder's header
    int64_t nextLine_ = -1;      // the line the next row takes; -1: not known, rows are not recorded
    std::map<std::string, std::map<int64_t, Replacement>> replacements_;  // file -> line -> row
};

}  // namespace exporting
