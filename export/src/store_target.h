// The engine both exports drive: the store target (logon, new PST files
// through the companion program, folders, the real split), the per-contact
// writers of every kind, and the loop over one view's entries. The two
// exports differ only in the Flavour passed in.
#pragma once

#include <exporting/contact_record.h>
#include <exporting/export_job.h>

#include <selected/csv_file.h>
#include <store/session.h>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace exporting {

// What differs between the mailbox export and the selected-items export.
struct Flavour {
    bool selectedItems = false;
    // PST stamps: "%d-%d-%d %d %d %d %d" (mailbox), "%d%d%d-%d%d%d%d" (selected).
    std::string PstStamp() const;
};

// "%d%d%d%d" of hour, minute, second and millisecond, now.
std::string RecoverDataStamp();

// The text the completion message uses when some contacts failed.
std::string FailureMessage(uint64_t failed);

class ExportRun {
public:
    ExportRun(notes::FerrywellState& state, const ExportOptions& options, std::atomic<int>& stop, ExportSink& sink,
              Flavour flavour);
    ~ExportRun();

    ExportTotals totals;
    std::vector<std::string> outputs;
    std::string error;  // why the run could not start or go on
    bool stopped = false;  // a stop request ended a view

    void Log(const std::string& text, uint32_t colour = kColourProgress) { sink_.AppendToLog(text, colour); }
    void LogError(const std::string& text) { sink_.AppendToLog(text, kColourError); }
    bool StopRequested() const { return stop_.load() != 0; }
    void ClearStop() { stop_.store(0); }

    // True when the database opens; else logs why and keeps it in error.
    bool CheckDatabase();

    // --- store kinds ---
    // Logs on to the default profile; on failure shows the logon message.
    bool Logon();
    void Logoff();
    // A new PST (name from the stamp, the next free one when taken) made by
    // the companion program and opened in the session.
    bool CreatePST();
    // The folder at relPath below the current PST ("\\" + PST name + "\" +
    // relPath) or, for the profile kind, below base; made through the
    // companion program when makeFolder, then looked up. A failure logs the
    // store path and leaves no folder (the folder's contacts then fail).
    void PrepareStoreFolder(const std::string& relPath, const std::string& base, bool makeFolder);
    const std::string& StorePath() const { return xpath_; }
    // With Split PST on: when the current PST has contacts and bytesAhead
    // more would take it past the split size, a new PST with the current
    // folder path in it. False when no folder is left to write to.
    bool SplitBefore(uint64_t bytesAhead);
    const std::string& PstName() const { return pstName_; }

    // --- file kinds ---
    // The CSV file for the contacts to come: fixed at the first contact
    // written to it, in dir and named name.csv (or --index.csv when long).
    void StartCsv(const std::string& dir, const std::string& name);

    // Exports the entries of the view (those in entries when given) to the
    // prepared store folder or into dir. Returns false when the view could
    // not be opened (logged).
    bool ExportView(uint32_t viewIndex, const std::string& dir, const std::set<uint32_t>* entries);

    // Makes every saved contact durable; when that fails, the contacts
    // saved since the last commit count as failed.
    void Commit();

private:
    void ExportEntry(const LNDocument& doc, uint64_t index, const std::string& dir);
    void WriteStoreContact(const ContactRecord& contact);
    bool WriteFileContact(const ContactRecord& contact, const std::string& subject, uint64_t index,
                          const std::string& dir);
    void CountDone();

    notes::FerrywellState& state_;
    ExportOptions options_;
    std::atomic<int>& stop_;
    ExportSink& sink_;
    Flavour flavour_;
    std::string scratch_;

    std::unique_ptr<store::RDOSession> session_;
    std::optional<store::RDOFolder> folder_;
    std::string pstName_, pstPath_, xpath_, relPath_, profileBase_;
    bool makeFolder_ = false;
    uint64_t partContacts_ = 0;
    uint64_t uncommitted_ = 0;  // contacts saved since the last commit
    uint64_t maxGrowth_ = 0;       // most a saved contact added to the file
    uint64_t commitGrowth_ = 0;    // most a commit added to the file
    uint64_t lastCommitSize_ = 0;  // file size after the last measured commit
    std::chrono::steady_clock::time_point lastCommit_;

    std::string csvDir_, csvName_;
    std::unique_ptr<selected::CsvAppender> csv_;

    uint64_t done_ = 0, known_ = 0;
};

}  // namespace exporting
