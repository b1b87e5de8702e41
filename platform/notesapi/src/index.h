// The in-memory index of one DXL file: its views and folders, and for every
// document where it lies in the file plus the few item values that views and
// searches need. Built once by the scanner, then shared read-only.
#pragma once

#include "document_cache.h"
#include "pieces.h"
#include "text_lines.h"

#include <base/ascii.h>
#include <base/fd_io.h>
#include <base/unique_fd.h>

#include <notesapi/lnids.h>
#include <notesapi/lnitems.h>
#include "failure.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace notesapi {

enum class ItemType { Text, Number, Datetime, RichText };

// An item name's length and first and last letters, ASCII case folded:
// names equal but for their case have equal shapes, and most names that
// differ differ in shape, so a search compares shapes before names.
uint32_t NameShape(std::string_view name);

struct Item {
    std::string name;
    uint32_t shape = 0;  // NameShape(name)
    ItemType type = ItemType::Text;
    bool names = false;                  // a names item (CN=.../O=...)
    TextLines values;                    // text, number text, or rich-text lines
    std::vector<LNDatetime> dates;       // for Datetime items
};

struct Attachment {
    std::string name;
    std::string base64;
    // Empty for a file ($FILE); for a picture of rich text, the item it is in.
    std::string richTextItem;
};

// A document's items, read once and then shared read-only: an item handed
// out (LNText...) keeps the whole document alive.
struct DocumentItems {
    std::vector<Item> items;
    std::vector<std::shared_ptr<const Attachment>> attachments;
    // The first item of each name (ASCII case folded), for documents with
    // many items, so that reading each of them by name takes linear time.
    // Empty for a document of up to kIndexedFrom items, which are searched.
    std::unordered_map<std::string, size_t> firstByName;
    static constexpr size_t kIndexedFrom = 64;
    void IndexNames();
    // The first item named name, ignoring ASCII case; null when none is.
    const Item* Find(std::string_view name) const;
};

struct ColumnInfo {
    std::string itemName;
    bool sorted = false;
    bool descending = false;
    bool categorized = false;
};

struct ViewInfo {
    std::string name;
    bool isFolder = false;
    std::string selection;  // formula text, empty when none
    std::vector<ColumnInfo> columns;
};

// 8 bytes: a view may list a million documents.
struct ViewEntry {
    static constexpr uint32_t kCategory = UINT32_MAX;  // doc of a category entry
    uint32_t doc = kCategory;  // document number
    uint32_t category = 0;     // index into the view's category texts
    bool IsCategory() const { return doc == kCategory; }
    long Doc() const { return IsCategory() ? -1 : long(doc); }
};
static_assert(sizeof(ViewEntry) == 8);

struct ViewEntries {
    Failure failure;  // formula failure, if any
    std::vector<ViewEntry> entries;
    std::vector<std::string> categories;
};

// A date and time in 12 bytes rather than LNDatetime's 36: an index keeps
// two for each of a million documents.
struct PackedDatetime {
    PackedDatetime() = default;
    explicit PackedDatetime(const LNDatetime& dt);
    LNDatetime Unpack() const;
    // As kBytes bytes, for an index kept in a file.
    static constexpr size_t kBytes = 11;
    void Save(char* out) const;
    static PackedDatetime Load(const char* in);

private:
    enum : uint8_t { kDate = 1, kTime = 2, kZone = 4 };
    int16_t year_ = 0, zoneMinutes_ = 0;
    uint8_t month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, hundredth_ = 0, flags_ = 0;
};

// 88 bytes: the index keeps one for each of a million documents.
struct DocRecord {
    // Byte span of <document>...</document>: its size saturates at
    // kSizeUnknown, far over what a document may be to be read.
    static constexpr uint32_t kSizeUnknown = UINT32_MAX;
    uint64_t begin = 0;
    uint32_t size = 0;
    uint64_t End() const { return begin + size; }
    // Bytes [begin + skipAt, + skipSize) hold the document's first children
    // that are not items (its note information): the scan read them, and
    // reading the document's items need not parse them again. None when a
    // tag among them names a namespace prefix, which the document read alone
    // may not know.
    uint32_t skipAt = 0, skipSize = 0;
    uint32_t form = 0;            // interned form name
    uint32_t noteId = 0;
    uint32_t firstSummary = 0;    // into DatabaseIndex::summaries
    uint32_t summaryCount = 0;
    uint32_t firstValue = 0;      // into DatabaseIndex::values: the summaries' values follow one another
    uint32_t sequence = 0;        // edits, from <noteinfo sequence=>
    LNUniversalID unid;
    PackedDatetime modified, revised, created;
};

// One summarised item value list of one document.
struct Summary {
    uint32_t name : 31 = 0;   // interned lower-case item name
    uint32_t large : 1 = 0;   // a value too large to keep: read the document
    uint32_t valueCount = 0;
};

// Texts kept one after another in pieces of about a megabyte. What it holds
// never moves, so it grows without copying and wastes at most one piece.
// Texts are at most kMaxText bytes.
class TextArena {
public:
    static constexpr size_t kMaxText = (1 << 17) - 1;
    struct Span {
        uint64_t piece : 27 = 0, at : 20 = 0, size : 17 = 0;
    };
    Span Add(std::string_view text);  // throws std::length_error for a text over kMaxText
    // Takes other's texts, without copying them: a span of other is one of
    // this arena once the returned number is added to its piece.
    uint64_t Absorb(TextArena&& other);
    std::string_view At(const Span& span) const { return {pieces_[span.piece].data() + span.at, span.size}; }
    // Memory the texts take.
    uint64_t Bytes() const;

private:
    std::vector<std::string> pieces_;
};

class DatabaseIndex {
public:
    DatabaseIndex() = default;
    ~DatabaseIndex();
    DatabaseIndex(const DatabaseIndex&) = delete;
    DatabaseIndex& operator=(const DatabaseIndex&) = delete;

    std::string path;
    std::string encoding;  // as declared; empty for UTF-8
    // The namespace declarations of the root element, as attributes
    // (` xmlns="..." xmlns:d="..."`): in scope in every document.
    std::string rootNamespaces;
    std::string title;
    LNReplicaID replicaId;
    uint64_t fileSize = 0;
    int64_t mtimeNs = 0;
    // The change time too: unlike the modification time, it cannot be set
    // back after the file was written.
    int64_t ctimeNs = 0;
    uint64_t device = 0, inode = 0;
    size_t scanPieces = 1;  // how many pieces the file was scanned in, side by side

    // About how much memory the index takes, with what it keeps as it is
    // used (documents read, view entries).
    uint64_t MemoryBytes() const;

    // True when sb describes the file this index was built from, unchanged.
    bool SameFile(const struct stat& sb) const;

    std::vector<ViewInfo> views;
    // In pieces: a database may hold a million documents, and a vector would
    // hold up to twice that while it grows.
    Pieces<DocRecord> docs;
    Pieces<Summary> summaries;
    Pieces<TextArena::Span> values;  // into arena
    TextArena arena;
    std::vector<std::string> strings;                   // interned names
    // Looked up by string_view, without a copy of the key.
    struct StringHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, uint32_t, StringHash, std::equal_to<>> stringIds;
    std::vector<bool> summarised;  // by interned id: is this lower-case item name summarised?

    uint32_t Intern(std::string_view s);
    std::optional<uint32_t> FindString(std::string_view s) const;
    std::string_view Value(uint32_t i) const { return arena.At(values[i]); }

    // Values of an item (name compared case-insensitively) of document d, or
    // nullopt when the document lacks the item. Reads the document from the
    // file when the name is not summarised; when that fails (the file cannot
    // be read or changed), *failure gets the error and nullopt is returned.
    // Each value read from the file is cut to maxEach bytes (a view's sort
    // key needs no more than its start).
    std::optional<std::vector<std::string>> ItemValues(size_t d, std::string_view name, Failure* failure,
                                                       size_t maxEach = std::string::npos) const;
    // The values of document d's item lowerName as the index keeps them,
    // without reading the file: Kept with *out filled, Missing when the
    // document lacks the item, NotKept when the index does not keep the
    // item's values for this document (the name is not summarised, or a
    // value was too large).
    enum class Summarised { Kept, Missing, NotKept };
    Summarised SummaryValues(size_t d, std::string_view lowerName, std::vector<std::string>* out) const;

    // Full items of document d, read from the file. A file that is no longer
    // the one indexed gives LNERR_DATABASE_CHANGED, a failing read
    // LNERR_FILE_OPEN, each with a message naming the file.
    Failure LoadDocument(size_t d, std::shared_ptr<const DocumentItems>* out) const;

    // Entries of view v, computed on first use and kept.
    const ViewEntries& Entries(size_t v) const;

private:
    // The database file, opened on the first document read and kept, so that
    // reading documents one by one costs no open per document.
    int File(Failure* failure) const;
    // Nothing while the open file is still the one indexed.
    Failure CheckUnchanged(int fd) const;
    Failure Changed() const;
    mutable std::mutex fileMutex_;
    mutable base::UniqueFd fd_;

    mutable DocumentCache documentCache_;

    // Each view's entries are computed once, by the first thread that asks;
    // threads asking for other views meanwhile do not wait for it.
    struct EntriesOnce {
        std::once_flag once;
        ViewEntries entries;
    };
    mutable std::mutex entriesMutex_;  // guards the map, not what it holds
    mutable std::unordered_map<size_t, std::unique_ptr<EntriesOnce>> entries_;
};

// Parses the file at path into an index. Errors carry a message for the user.
Failure BuildIndex(const std::string& path, std::shared_ptr<const DatabaseIndex>* out);
// How many times this process parsed a whole file into an index, for tests.
uint64_t IndexScans();
// The index of the file at path, from the process's IndexCache, else from
// the index kept on disk for it (see index_store.h), else built.
Failure OpenIndex(const std::string& path, std::shared_ptr<const DatabaseIndex>* out);

// The path with links and "." / ".." resolved, so that one file reached by
// two spellings is one database; the path as given when that fails.
std::string CanonicalPath(const std::string& path);

// Where a document lies in its file: bytes [begin, end) but the span
// [skipBegin, skipEnd) within them (none when they are equal), whole
// elements that are not items.
struct DocumentSpan {
    uint64_t begin = 0, end = 0;
    uint64_t skipBegin = 0, skipEnd = 0;
};

// Parses the <document> element at span of the file fd (whose path names it
// in messages) into its items. A document of up to a megabyte is read whole;
// a larger one is read and parsed in pieces, so that it is never held twice.
// A failing or short read gives LNERR_FILE_OPEN, bytes that are not a
// well-formed document LNERR_MALFORMED.
// namespaces are the declarations in scope at the document (its root's,
// DatabaseIndex::rootNamespaces), so that prefixes bound there are read.
Failure ReadDocument(int fd, const DocumentSpan& span, const std::string& path, const std::string& encoding,
                      const std::string& namespaces, DocumentItems* out);
// The two ways ReadDocument reads. The first tokenizes a UTF-8 document of
// up to a megabyte, read whole, without expat; it declines (false, with out
// as it was) whatever it does not handle as expat would, and bytes it
// cannot read. The second parses with expat, in pieces.
bool ReadPlainDocument(int fd, const DocumentSpan& span, DocumentItems* out);
Failure ReadDocumentWithExpat(int fd, const DocumentSpan& span, const std::string& path, const std::string& encoding,
                               DocumentItems* out, const std::string& namespaces = "");

// A file's modification and change times in nanoseconds.
int64_t MtimeNs(const struct stat& sb);
int64_t CtimeNs(const struct stat& sb);

// Opens path for reading. Opening never waits (a pipe without a writer would
// block for ever), and anything but a regular file (a folder, a pipe, a
// device) is refused with a message naming it. On success *fd is open and
// *sb describes it.
Failure OpenRegularFile(const std::string& path, base::UniqueFd* fd, struct stat* sb);

// Item and view names compare without regard to ASCII case.
using base::AsciiLower;

}  // namespace notesapi
