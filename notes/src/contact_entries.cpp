#include <notes/contact_entries.h>
#include <notes/open_view.h>
#include <notes/session.h>

namespace notes {

bool ContactDocument(const LNViewFolder& view, size_t entry, LNDocument* doc) {
    try {
        LNDocument bound;
        view[entry].GetDocument(&bound);
        *doc = std::move(bound);
        return true;
    } catch (const notesapi::NotesError&) {
        return false;
    }
}

std::set<uint32_t> ContactEntries(const std::string& path, uint32_t viewIndex) {
    std::set<uint32_t> entries;
    Session session;
    if (!session.Started()) return entries;
    LNDatabase db;
    try {
        const LNViewFolder view = OpenViewOf(session.Api(), path, viewIndex, db);
        const size_t count = view.GetEntryCount();
        LNDocument doc;
        for (size_t e = 0; e < count; ++e)
            if (ContactDocument(view, e, &doc)) entries.insert(uint32_t(e));
    } catch (const notesapi::NotesError&) {
    }
    return entries;
}

}  // namespace notes
