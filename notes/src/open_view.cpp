#include <notes/open_view.h>

namespace notes {

LNViewFolder OpenViewOf(LNNotesSession& session, const std::string& path, uint32_t viewIndex, LNDatabase& db) {
    LNSetThrowAllErrorsGlobal(1);
    session.GetDatabase(path, &db, "");
    db.Open();
    LNViewFolderArray views;
    db.GetViewFolders(&views, 0);
    LNViewFolder folder = views[viewIndex];
    folder.Open(0);
    return folder;
}

bool IsDatabaseFailure(LNSTATUS status) {
    const LNSTATUS kind = notesapi::StatusKind(status);
    return kind == LNERR_DATABASE_CHANGED || kind == LNERR_FILE_OPEN;
}

std::string StatusText(LNSTATUS status) {
    char text[1024];
    LNGetErrorMessageText(status, text, sizeof text);
    return text;
}

}  // namespace notes
