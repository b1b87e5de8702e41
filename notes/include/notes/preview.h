// The preview of one contact document: its 75 fields read with the main
// window's text rule, an HTML page with one table row per non-empty field,
// written to a page file that the preview widget is then navigated to. A
// Group document shows its name, description and members instead.
#pragma once

#include <notes/group_document.h>
#include <notes/browse_state.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

class LNDocument;

namespace notes {

inline constexpr size_t kPreviewFieldCount = 75;
// The preview fields in table order; number n is kPreviewFields[n - 1].
extern const std::array<std::string_view, kPreviewFieldCount> kPreviewFields;

// Style class of field number n (1-based, fixed by the table order):
// "firstline" for 1, "secondline" for even numbers, "whiteline" otherwise.
std::string_view PreviewRowClass(size_t number);

struct PreviewValue {
    size_t number;  // 1-based position in kPreviewFields
    std::string value;
};

// The non-empty values of an open document, in table order. Birthday and
// Anniversary are read as date lists. Never throws.
std::vector<PreviewValue> ReadPreviewValues(const LNDocument& doc);

// The whole page, one line, values escaped.
std::string BuildPreviewPage(const std::vector<PreviewValue>& values);

// The page of a group, in the same style: rows ListName, ListDescription and
// Members (every member as written, one a line), each only when not empty.
std::string BuildGroupPreviewPage(const GroupDocument& group);

// Writes the page as UTF-8, replacing the file whole (two previews writing at
// once each write a whole page). False when it cannot.
bool WritePreviewPage(const std::string& path, const std::string& page);

// What the preview drives in the main window; calls come from the worker.
class PreviewView {
public:
    virtual ~PreviewView() = default;
    virtual void ShowWaitWindow() = 0;
    virtual void CloseWaitWindow() = 0;
    virtual void EnableList(bool enable) = 0;
    // Shows the page file at path.
    virtual void Navigate(const std::string& path) = 0;
    // Nothing is shown because the database or the view could not be read.
    virtual void ReportFailure(const std::string& reason) { (void)reason; }
};

enum class PreviewResult { Shown, Busy, NotShown };

// Previews the document at entryIndex of the view at viewIndex of
// state.databasePath into pagePath. A document that cannot be opened shows an
// empty page; a database that cannot be read (or changed since it was
// opened) shows nothing and is reported. Only one preview runs at a time: while one
// runs, another returns Busy at once. Whatever happens, the wait window is
// closed, the list enabled and the running flag cleared before it returns.
PreviewResult PreviewEntry(BrowseState& state, PreviewView& view, uint32_t viewIndex, size_t entryIndex,
                           const std::string& pagePath);

// The worker's whole run: shows the wait window, then previews the row that
// state.previewView and state.previewEntry name.
PreviewResult PreviewChosenRow(BrowseState& state, PreviewView& view, const std::string& pagePath);

}  // namespace notes
