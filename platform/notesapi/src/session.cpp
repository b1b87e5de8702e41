#include <notesapi/notesapi.h>

#include "index.h"

using notesapi::NotesError;

LNNotesSession::~LNNotesSession() = default;

void LNNotesSession::Init(int, char**) { initialized_ = true; }

void LNNotesSession::Initialize(int, int argc, char** argv, int, const char*) { Init(argc, argv); }

void LNNotesSession::Term(int) { initialized_ = false; }

void LNNotesSession::GetDatabase(const LNString& path, LNDatabase* db, const LNString& server) {
    if (!initialized_) throw NotesError(LNERR_NOT_INITIALIZED);
    if (!db) throw NotesError(LNERR_NULL_ARGUMENT);
    if (!server.IsNull())
        throw NotesError(LNERR_FILE_OPEN,
                         "Only local database files can be opened, not databases on server " + server.str() + ".");
    *db = LNDatabase();
    db->path_ = path.str();
    db->session_ = this;
}

void LNNotesSession::AbbreviateName(const LNString& name, LNString* abbreviated) const {
    if (!abbreviated) throw NotesError(LNERR_NULL_ARGUMENT);
    // Canonical names are "CN=Jane Doe/OU=Sales/O=Acme/C=US"; the short form
    // drops each component's label.
    std::string out;
    const std::string& s = name.str();
    size_t start = 0;
    while (start <= s.size()) {
        size_t slash = s.find('/', start);
        std::string part = s.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        size_t eq = part.find('=');
        if (eq != std::string::npos && eq <= 2) part = part.substr(eq + 1);
        if (!out.empty()) out += '/';
        out += part;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    *abbreviated = LNString(out);
}

void LNDatabase::Open(int) {
    if (!session_ || !session_->IsInitialized()) throw NotesError(LNERR_NOT_INITIALIZED);
    if (auto failure = notesapi::OpenIndex(path_, &index_)) throw *failure;
}

void LNDatabase::Close() { index_.reset(); }

LNString LNDatabase::GetTitle() const { return index_ ? LNString(index_->title) : LNString(); }

LNReplicaID LNDatabase::GetReplicaID() const { return index_ ? index_->replicaId : LNReplicaID(); }

size_t LNDatabase::GetDocumentCount() const { return index_ ? index_->docs.size() : 0; }

void LNDatabase::GetViewFolders(LNViewFolderArray* views, int) const {
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    if (!views) throw NotesError(LNERR_NULL_ARGUMENT);
    views->Items().clear();
    for (size_t i = 0; i < index_->views.size(); ++i) views->Items().emplace_back(index_, i, session_);
}
