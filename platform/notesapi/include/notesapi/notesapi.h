// A Notes database API over DXL exports: sessions, databases, the array of
// views and folders, view entries, documents and their items.
//
// A database file is parsed once per process into a compact index (kept by
// path and checked against the file's size, times and identity); every later
// session re-opens it from that index. A document's items are read from the
// file when it is opened; a file changed since then is reported as such.
// Objects of one session are used on one thread; sessions on different
// threads share the index safely. Every failing call throws a
// notesapi::NotesError that carries its own text.
#pragma once

#include <notesapi/lnids.h>
#include <notesapi/lnitems.h>
#include <notesapi/lnstatus.h>
#include <notesapi/lnstring.h>

#include <memory>
#include <string>
#include <vector>

namespace notesapi {
class DatabaseIndex;
struct DocumentItems;
}  // namespace notesapi

class LNDatabase;
class LNDocument;

class LNFormula {
public:
    LNFormula() = default;
    LNFormula(const char* text) : text_(text ? text : "") {}
    LNFormula(std::string text) : text_(std::move(text)) {}
    const std::string& GetText() const { return text_; }

private:
    std::string text_;
};

class LNNotesSession {
public:
    LNNotesSession() = default;
    ~LNNotesSession();
    LNNotesSession(const LNNotesSession&) = delete;
    LNNotesSession& operator=(const LNNotesSession&) = delete;

    void Init(int argc = 0, char** argv = nullptr);
    void Initialize(int version = 300, int argc = 0, char** argv = nullptr, int flags = 0,
                        const char* ini = nullptr);
    void Term(int flags = 0);
    bool IsInitialized() const { return initialized_; }

    // Binds db to the database file at path; server must be empty (local).
    void GetDatabase(const LNString& path, LNDatabase* db, const LNString& server = "");
    // "CN=Jane Doe/OU=Sales/O=Acme" -> "Jane Doe/Sales/Acme".
    void AbbreviateName(const LNString& name, LNString* abbreviated) const;

private:
    bool initialized_ = false;
};

class LNDocument {
public:
    LNDocument() = default;
    LNDocument(std::shared_ptr<const notesapi::DatabaseIndex> index, size_t docIndex, LNNotesSession* session)
        : index_(std::move(index)), doc_(docIndex), session_(session) {}

    bool IsNull() const { return !index_; }
    void Open(int flags = 0);
    void Close();
    bool IsOpen() const { return items_ != nullptr; }

    // Size in bytes of the document in the database file.
    size_t GetSize() const;
    // When the document was last changed in this database, and who it is
    // across replicas. Known without opening the document; empty or null
    // when the export does not record them.
    LNDatetime GetLastModified() const;
    // When the document was made; empty when the export does not record it.
    LNDatetime GetCreated() const;
    LNUniversalID GetUniversalID() const;
    // The universal id with the document's sequence number and revision time.
    void GetOriginatorID(LNOriginatorID* oid) const;
    LNString GetForm() const;
    uint32_t GetNoteID() const;
    // The values of an item that the database's index keeps (the items views
    // sort or select by), read without opening the document, each as its
    // text. False when the index does not keep them for this document: only
    // opening it tells. True with *present false when the document lacks the
    // item.
    bool GetSummaryValues(const LNString& name, std::vector<std::string>* values, bool* present) const;
    LNNotesSession* GetSession() const { return session_; }

    LNBOOL HasItem(const LNString& name) const;
    void GetItem(const LNString& name, LNText* text) const;
    void GetItem(const LNString& name, LNDatetimes* dates) const;
    void GetItem(const LNString& name, LNRichText* rich) const;
    // Every item name, in document order; a name may come more than once.
    std::vector<std::string> GetItemNames() const;
    // The item at a position of GetItemNames(), read as GetItem reads the
    // first item of its name.
    void GetItemAt(size_t position, LNText* text) const;

    LNBOOL HasAttachments() const;
    void GetAttachments(LNAttachmentArray* attachments) const;

private:
    const notesapi::Item* Find(const LNString& name) const;
    void NeedOpen() const;
    void ReadText(const notesapi::Item& item, LNText* text) const;

    std::shared_ptr<const notesapi::DatabaseIndex> index_;
    size_t doc_ = 0;
    LNNotesSession* session_ = nullptr;
    std::shared_ptr<const notesapi::DocumentItems> items_;
};

class LNVFEntry {
public:
    LNVFEntry() = default;
    LNVFEntry(std::shared_ptr<const notesapi::DatabaseIndex> index, long docIndex, std::string category,
              LNNotesSession* session)
        : index_(std::move(index)), doc_(docIndex), category_(std::move(category)), session_(session) {}

    // Binds document to the entry's document; fails for a category entry.
    void GetDocument(LNDocument* document) const;
    LNBOOL IsCategory() const { return doc_ < 0; }
    LNBOOL IsUnread() const { return 0; }
    LNString GetCategory() const { return category_; }

private:
    std::shared_ptr<const notesapi::DatabaseIndex> index_;
    long doc_ = -1;
    std::string category_;
    LNNotesSession* session_ = nullptr;
};

class LNViewFolder {
public:
    LNViewFolder() = default;
    LNViewFolder(std::shared_ptr<const notesapi::DatabaseIndex> index, size_t viewIndex, LNNotesSession* session)
        : index_(std::move(index)), view_(viewIndex), session_(session) {}

    void Open(int flags = 0);
    void Close();
    bool IsOpen() const { return open_; }
    LNString GetName() const;
    bool IsFolder() const;
    // Number of entries: documents and category entries. Computes the
    // view's entries the first time; an unsupported selection formula
    // fails with LNERR_FORMULA.
    size_t GetEntryCount() const;
    void GetEntryCount(size_t* count) const;
    LNVFEntry operator[](size_t i) const;

private:
    std::shared_ptr<const notesapi::DatabaseIndex> index_;
    size_t view_ = 0;
    LNNotesSession* session_ = nullptr;
    bool open_ = false;
};

class LNViewFolderArray {
public:
    size_t GetCount() const { return views_.size(); }
    LNViewFolder operator[](size_t i) const;
    std::vector<LNViewFolder>& Items() { return views_; }

private:
    std::vector<LNViewFolder> views_;
};

class LNDocumentArray {
public:
    size_t GetCount() const { return docs_.size(); }
    LNDocument operator[](size_t i) const { return i < docs_.size() ? docs_[i] : LNDocument(); }
    std::vector<LNDocument>& Items() { return docs_; }

private:
    std::vector<LNDocument> docs_;
};

class LNDatabase {
public:
    LNDatabase() = default;
    LNDatabase(const LNDatabase&) = default;
    LNDatabase& operator=(const LNDatabase&) = default;

    // Reads the database file (or takes its index from the process's cache of
    // indexes).
    void Open(int flags = 0);
    void Close();
    bool IsOpen() const { return index_ != nullptr; }
    LNString GetFilePath() const { return path_; }
    LNString GetTitle() const;
    // Null when the export names no replica id; needs an open database.
    LNReplicaID GetReplicaID() const;

    void GetViewFolders(LNViewFolderArray* views, int flags = 0) const;
    void Search(const LNFormula& formula, LNDocumentArray* documents, const void* since = nullptr) const;
    size_t GetDocumentCount() const;

private:
    friend class LNNotesSession;
    std::string path_;
    LNNotesSession* session_ = nullptr;
    std::shared_ptr<const notesapi::DatabaseIndex> index_;
};
