// The record of what an export wrote into a folder of files (item files of
// every kind, rows of a CSV file): one journal per folder, a hidden text file
// that runs append to, one line per written document with its source
// identity and where the result lies.
//
// A line is appended with one write once its file is complete, so a process
// killed at any moment loses at most the line being written; a line cut short
// or damaged is recognised and left out when read, and cut off before the
// next run appends. A file written but not yet recorded is written again by
// the next run, under its name: a crash never leaves a line without its file.
//
//   store::SavedFiles saved = store::ReadSavedJournal(folder);   // once per folder
//   store::SavedJournal journal(folder);
//   if (saved.StateOf(identity) != mapi::SavedState::Unchanged) {
//       base::WriteFileAtomically(folder + "/" + name, bytes);       // complete first
//       journal.Record(identity, {name});                            // then recorded
//   }
#pragma once

#include <store/saved_index.h>

#include <mapi/source_identity.h>

#include <cstdint>
#include <map>
#include <functional>
#include <string>

namespace store {

// Where a document's result was written: a file of the folder, by name, and
// for a row of a CSV file the row's line in it (from 0; -1 for a whole file).
struct SavedPlace {
    std::string file;
    int64_t line = -1;
    bool operator==(const SavedPlace&) const = default;
};

class SavedFiles : public SavedIndex<SavedPlace> {
public:
    // Lines left out: cut short by a crash, or damaged.
    size_t Damaged() const { return damaged_; }

private:
    friend SavedFiles ReadSavedJournal(const std::string& folder);
    size_t damaged_ = 0;
};

// The journal's name in its folder.
inline constexpr const char* kSavedJournalName = ".ferrywell-saved";

// Reads the folder's journal; empty when there is none. Throws StoreError
// when it cannot be read, and BadFormat when the file is not a journal (or
// one of a later version). Reading and writing take the journal by one
// rule: a symbolic link, a FIFO, a device or anything but a regular file at
// its name is refused (BadFormat), without following it or waiting on it.
SavedFiles ReadSavedJournal(const std::string& folder);

// Whether a line of the folder's journal satisfies match, read line by line
// up to the first that does and kept nowhere; false when there is no
// journal. Damaged lines are passed over. Throws as ReadSavedJournal does.
bool AnySavedLine(const std::string& folder,
                  const std::function<bool(const mapi::SourceIdentity&, const SavedPlace&)>& match);

class SavedJournal {
public:
    // Opens the folder's journal for appending, making it when missing (its
    // creation is flushed to the disk). A last line a crash cut short is cut
    // off. Throws StoreError, BadFormat as ReadSavedJournal does.
    explicit SavedJournal(const std::string& folder);
    ~SavedJournal();  // flushes to the disk; errors are swallowed
    SavedJournal(const SavedJournal&) = delete;
    SavedJournal& operator=(const SavedJournal&) = delete;

    // Appends one line. Call it after the result is complete (renamed into
    // place). Throws StoreError when the line cannot be written; then
    // nothing of it counts. Every two seconds the journal is flushed to the
    // disk as well.
    void Record(const mapi::SourceIdentity& identity, const SavedPlace& place);
    // Waits until every recorded line is on the disk (which a power loss
    // needs; a killed process loses nothing Record returned from).
    void Sync();

private:
    std::string path_;
    int fd_ = -1;
    int64_t lastSync_ = 0;  // steady-clock milliseconds
};

// CSV files are kept by lines, where a line is a CSV row: a line feed inside
// double quotes belongs to its field. A row's line in the journal is its
// index among the file's lines, which replacing rows does not change.
//
// Rewrites the file at path with some of its lines replaced (index from 0 ->
// the new line without its line feed), through a temporary file and a
// rename: a reader sees the old file or the new one. Each replaced line keeps
// its own line ending (CR LF, LF, or none at the end of the file). Throws
// StoreError: InvalidArgument for an index past the last line or a
// replacement that is not one line (a line break outside double quotes,
// quotes left open), and the file error otherwise.
void ReplaceLines(const std::string& path, const std::map<int64_t, std::string>& lines);
// The number of lines of the file (a last line without its line feed
// counts); 0 when there is no file.
//
// Neither reads through a symbolic link or anything but a regular file
// (StoreError BadFormat, or the open's error), so a FIFO at the name cannot
// make them wait.
int64_t CountLines(const std::string& path);
// Cuts the file after its first count lines (what follows them goes: rows a
// killed run wrote without recording them, a row cut short). The file is
// never opened through a symbolic link and must be a regular file. Throws
// StoreError.
void CutAfterLines(const std::string& path, int64_t count);

}  // namespace store
