// What the file targets share: the directory the files go into (a new
// "RecoverData" directory in the destination for a tree export, the chosen
// folder itself for a list export), a directory per exported view below it,
// the subject files are named by, and the message filter, which applies to
// files only.
#pragma once

#include "target.h"

#include <string>
#include <unordered_set>

namespace exporting {

class DirectoryTarget : public ExportTarget {
public:
    // The stamp of a new export directory is taken now, as the run starts.
    explicit DirectoryTarget(RunContext& run);

    bool Open() override;
    std::string PrepareFolder(const TargetFolder& folder) override;
    // The company name; when that is longer than five characters the first
    // name; when that too is, the last name.
    std::string Subject(const ContactRecord& contact) const override;
    WriteResult Write(const ContactRecord& contact, const std::string& subject, uint64_t entry) override;

protected:
    // The contacts to come belong to folder, in directory dir.
    virtual void StartFolder(const TargetFolder& folder, const std::string& dir) = 0;
    // Writes one contact's file (or row): Written, Failed (logged) or Stopped.
    virtual WriteResult WriteFile(const ContactRecord& contact, const std::string& subject, uint64_t entry) = 0;
    // True when the message filter leaves the item out (each test that
    // fails logs its own line).
    bool FilteredOut(bool hasAttachments) const;

    // The path a file of this run is written to: path itself, or when an
    // earlier file of this run already has that name, the next name this run
    // has not used (" (2)", " (3)"... before the extension), so that no
    // output of a run ever replaces another. Names that differ only in ASCII
    // case count as the same. A file left by an earlier run is replaced, so
    // a second run into the same folder gives the same names.
    std::string ClaimPath(const std::string& path);

    RunContext& run_;
    std::string dir_;  // the current folder's directory

private:

    std::string stamp_;
    std::string root_;
    std::unordered_set<std::string> claimed_;  // the paths of this run's files, ASCII case folded
};

}  // namespace exporting
