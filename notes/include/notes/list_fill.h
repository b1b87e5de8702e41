// Filling the item list with the documents of one view: one row per entry
// that has a document, keyed by its entry index ("NO") and the view index,
// with the contact's name and address columns; a group's row shows its
// ListName under Full Name.
#pragma once

#include <notes/browse_state.h>

#include <atomic>
#include <string>

namespace notes {

// One row of the item list, as the contact column set shows it.
struct ListRow {
    std::string no;         // entry index in the view
    std::string viewIndex;  // position of the view in the view array
    std::string fullName, firstName, lastName, middleInitial, mailAddress;
    bool group = false;  // a Group document: fullName holds its ListName
};

// What the list fill drives in the main window; calls come from the worker.
class ItemListView {
public:
    virtual ~ItemListView() = default;
    virtual void DeleteAllRows() = 0;
    // Appends a row. A row whose document could not be opened, or at which
    // the fill was stopped, carries only its number columns.
    virtual void AddRow(const ListRow& row) = 0;
    virtual void EnableTree(bool enable) = 0;
    virtual void EnableExportButton(bool enable) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;
    // The fill ended early because the database could not be read (it
    // changed while it was listed, say); the rows made so far stay.
    virtual void ReportFailure(const std::string& reason) { (void)reason; }
};

// Lists every record of treeItem's view (none for the root node).
void ListTreeFolder(BrowseState& state, ItemListView& view, TreeNodeId treeItem, std::atomic<int>& stop);
// The same with state.stopRequest as the stop request.
void ListTreeFolder(BrowseState& state, ItemListView& view, TreeNodeId treeItem);
// Lists the view at viewIndex of state.databasePath; honours the stop request
// once per opened document, and clears it when it stops. A document that
// cannot be opened keeps a row with only its number columns, but when the
// database file itself fails (it changed or cannot be read) the fill stops
// and reports it, and so it does when the database or the view cannot be
// read at all.
void ListViewEntries(BrowseState& state, ItemListView& view, uint32_t viewIndex, std::atomic<int>& stop);

}  // namespace notes
