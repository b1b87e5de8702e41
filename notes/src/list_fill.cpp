#include <notes/analysis.h>
#include <notes/contact_entries.h>
#include <notes/field_rules.h>
#include <notes/group_document.h>
#include <notes/list_fill.h>
#include <notes/open_view.h>
#include <notes/person_names.h>
#include <notes/session.h>

#include <notesapi/notesapi.h>

namespace notes {

namespace {

// The contact loop over the entries of one open view.
void ContactHeaderView(std::atomic<int>& stop, ItemListView& view, LNViewFolder& folder, uint32_t viewIndex) {
    view.EnableExportButton(false);
    view.SetStatusText(kPleaseWait);
    const size_t count = folder.GetEntryCount();
    const std::string viewText = std::to_string(viewIndex);
    view.EnableTree(false);
    for (size_t e = 0; e < count; ++e) {
        try {
            LNDocument doc;
            if (!ContactDocument(folder, e, &doc)) continue;
            ListRow row{std::to_string(e), viewText, {}, {}, {}, {}, {}, false};
            try {
                doc.Open(0);
            } catch (const notesapi::NotesError& error) {
                if (IsDatabaseFailure(error)) throw;
                view.AddRow(row);
                continue;
            }
            view.SetProgress(int((e + 1) * 100 / count));
            if (stop.load() == 1) {
                view.AddRow(row);
                view.EnableTree(true);
                stop.store(0);
                view.SetStatusText(kProcessAborted);
                view.SetProgress(0);
                view.EnableExportButton(true);
                return;
            }
            if (IsGroupDocument(doc)) {
                // A group has no person's names: its ListName stands in the Full Name column.
                row.group = true;
                row.fullName = ReadItemText(doc, "ListName", kWindowDefault);
                view.AddRow(row);
                continue;
            }
            row.fullName = PersonName(ReadItemText(doc, "FullName", kWindowDefault));
            row.firstName = ReadItemText(doc, "FirstName", kWindowDefault);
            row.lastName = ReadItemText(doc, "LastName", kWindowDefault);
            row.middleInitial = ReadItemText(doc, "MiddleInitial", kWindowDefault);
            row.mailAddress = ReadItemText(doc, "MailAddress", kWindowDefault);
            // A Notes routing address gives way to the Internet address mail reaches.
            if (IsNotesRoutingAddress(row.mailAddress))
                if (std::string internet = ReadItemText(doc, "InternetAddress", kWindowDefault); !internet.empty())
                    row.mailAddress = std::move(internet);
            view.AddRow(row);
        } catch (const notesapi::NotesError& error) {
            // A failure elsewhere in the entry ends only this entry, unless
            // the file itself failed.
            if (IsDatabaseFailure(error)) throw;
        }
    }
}

// The window after a fill, finished or stopped.
void RestoreWindow(ItemListView& view) {
    view.EnableTree(true);
    view.SetProgress(0);
    view.SetStatusText(" ");
    view.EnableExportButton(true);
}

}  // namespace

void ListViewEntries(BrowseState& state, ItemListView& view, uint32_t viewIndex, std::atomic<int>& stop) {
    const std::string path = state.databasePath.get();
    view.DeleteAllRows();
    Session session;
    if (!session.Started()) return;
    LNDatabase db;
    try {
        LNViewFolder folder = OpenViewOf(session.Api(), path, viewIndex, db);
        ContactHeaderView(stop, view, folder, viewIndex);
    } catch (const notesapi::NotesError& error) {
        // The database or the view could not be read, or the file failed
        // while it was listed: the rows made so far stay, and the reason is
        // reported.
        view.ReportFailure(ErrorText(error));
    }
    RestoreWindow(view);
    db.Close();
    state.previewRunning.store(0);
}

void ListTreeFolder(BrowseState& state, ItemListView& view, TreeNodeId treeItem) {
    ListTreeFolder(state, view, treeItem, state.stopRequest);
}

void ListTreeFolder(BrowseState& state, ItemListView& view, TreeNodeId treeItem, std::atomic<int>& stop) {
    view.DeleteAllRows();
    for (const FolderRecord& record : state.folders.Snapshot()) {
        if (record.treeItem != treeItem) continue;
        state.listedView.store(record.viewIndex);
        state.listedFolder.set(record.folderName);
        ListViewEntries(state, view, record.viewIndex, stop);
    }
}

}  // namespace notes
