#include "csv_target.h"

#include "run_context.h"

#include <exporting/naming.h>

#include <algorithm>

namespace exporting {

void CsvTarget::StartFolder(const TargetFolder& folder, const std::string&) {
    name_ = folder.name;
    path_.clear();
    csv_.reset();
    tableStarted_ = false;
    nextLine_ = -1;
    if (saved_.On()) ContinueFile();
}

void CsvTarget::ContinueFile() {
    store::SavedIndex<Earlier>& saved = saved_.Saved();
    std::string file;
    saved.ForEach([&](const auto& e) {
        if (file.empty() && e.identity.database == run_.databaseIdentity) file = e.where.file;
    });
    if (file.empty()) return;  // nothing of this database: a table of its own, as without the check
    int64_t recorded = 0;      // lines the journal accounts for, whichever database they hold
    saved.ForEach([&](const auto& e) {
        if (e.where.file == file) recorded = std::max(recorded, e.where.line + 1);
    });
    path_ = dir_ + "/" + file;
    try {
        const int64_t lines = store::CountLines(path_);
        if (lines < recorded) {
            std::vector<store::SavedIndex<Earlier>::Entry> gone;
            bool othersRows = false;  // rows of another database share the file
            saved.ForEach([&](const auto& e) {
                if (e.where.file != file) return;
                gone.push_back(e);
                othersRows = othersRows || e.identity.database != run_.databaseIdentity;
            });
            for (const auto& e : gone) saved.Remove(e.identity.database, e.identity.unid, e.where);
            run_.Log(path_ + " no longer holds the rows recorded for it: they are written again", kColourSkip);
            // Rows edited away: the table is written again whole, not
            // appended to the rows still there, which would hold every
            // contact twice. Another database's rows are kept.
            if (!othersRows) store::CutAfterLines(path_, 0);
            return;
        }
        if (lines > recorded) {
            store::CutAfterLines(path_, recorded);
            run_.Log("Removed " + std::to_string(lines - recorded) + " lines not recorded as written from " + path_,
                     kColourSkip);
        }
    } catch (const store::StoreError& e) {
        run_.LogError("Cannot continue " + path_ + ": " + e.what());
        return;
    }
    tableStarted_ = true;
    nextLine_ = recorded;
}

void CsvTarget::OpenFile(uint64_t entry) {
    if (path_.empty()) path_ = CsvFilePath(dir_, name_, entry);
    csv_ = std::make_unique<CsvAppender>(path_);
    if (tableStarted_) {
        csv_->ContinueTable();
        return;
    }
    try {
        nextLine_ = store::CountLines(path_);  // the header's line
    } catch (const store::StoreError&) {
        nextLine_ = -1;  // the appender says what is wrong with the file
    }
}

WriteResult CsvTarget::WriteFile(ContactRecord& contact, const std::string& subject, uint64_t entry,
                                 const mapi::SourceIdentity& source, const Earlier* earlier, const PreparedFile*) {
    const ContactValues values = CsvValues(MapContact(std::move(contact), subject));
    if (earlier) {
        std::string row = CsvRow(values);
        row.resize(row.size() - 2);  // the line keeps its own CR LF
        replacements_[earlier->file][earlier->line] = {std::move(row), source};
        return WriteResult::Written;
    }
    if (!csv_) OpenFile(entry);
    const bool headed = csv_->HeaderWritten();
    if (!csv_->AppendRow(values)) {
        run_.LogError("Cannot write " + csv_->Path() + ": " + csv_->Problem());
        if (IsDiskFullErrno(csv_->Errno())) run_.NoteDiskFull(csv_->Path());
        return WriteResult::Failed;
    }
    tableStarted_ = true;
    if (nextLine_ >= 0) {
        if (!headed) ++nextLine_;
        Record(source, {NameIn(csv_->Path()), nextLine_++});
    }
    return WriteResult::Written;
}

void CsvTarget::ReplaceRows() {
    if (replacements_.empty()) return;
    csv_.reset();  // its descriptor would go on writing to the file replaced
    for (const auto& [file, rows] : replacements_) {
        std::map<int64_t, std::string> lines;
        for (const auto& [line, r] : rows) lines.emplace(line, r.row);
        const std::string path = dir_ + "/" + file;
        try {
            store::ReplaceLines(path, lines);
        } catch (const store::StoreError& e) {
            run_.LogError("Cannot rewrite " + path + ": " + e.what() + "; " + std::to_string(rows.size()) +
                          " changed contacts were not written");
            run_.outcome.totals.written -= rows.size();
            run_.outcome.totals.failed += rows.size();
            if (e.Code() == store::ErrorCode::DiskFull) run_.NoteDiskFull(path);
            continue;
        }
        for (const auto& [line, r] : rows) Record(r.source, {file, line});
    }
    replacements_.clear();
}

void CsvTarget::Commit(bool onlyWhenDue) {
    if (!onlyWhenDue) ReplaceRows();
}

void CsvTarget::EndFolder() {
    ReplaceRows();
    csv_.reset();
}

WriteResult CsvTarget::WriteList(const GroupRecord& group, uint64_t, const mapi::SourceIdentity&) {
    run_.Log("Skip Group \"" + OneLine(group.document.name) + "\": a CSV file holds contacts only", kColourSkip);
    return WriteResult::Skipped;
}

}  // namespace exporting
