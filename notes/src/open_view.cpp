#include <notes/open_view.h>

namespace notes {

LNViewFolder OpenViewOf(LNNotesSession& session, const std::string& path, uint32_t viewIndex, LNDatabase& db) {
    session.GetDatabase(path, &db, "");
    db.Open();
    LNViewFolderArray views;
    db.GetViewFolders(&views, 0);
    LNViewFolder folder = views[viewIndex];
    folder.Open(0);
    return folder;
}

bool IsDatabaseFailure(const notesapi::NotesError& error) {
    return error.Kind() == LNERR_DATABASE_CHANGED || error.Kind() == LNERR_FILE_OPEN;
}

std::string ErrorText(const notesapi::NotesError& error) {
    char text[1024];
    LNGetErrorMessageText(error, text, sizeof text);
    return text;
}

}  // namespace notes
