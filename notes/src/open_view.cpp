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

}  // namespace notes
