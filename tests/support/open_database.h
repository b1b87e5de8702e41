// An open database for tests of the Notes layer and its users.
#pragma once

#include <notesapi/notesapi.h>

#include <string>

namespace testsupport {

// A session with one open database.
struct OpenDatabase {
    LNNotesSession session;
    LNDatabase db;
    explicit OpenDatabase(const std::string& path) {
        session.Init();
        session.GetDatabase(path, &db);
        db.Open();
    }
    // The documents a formula selects.
    LNDocumentArray Search(const char* formula) {
        LNDocumentArray docs;
        db.Search(formula, &docs);
        return docs;
    }
};

}  // namespace testsupport
