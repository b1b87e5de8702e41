#include <notes/field_rules.h>
#include <notes/group_document.h>
#include <notes/open_view.h>
#include <notes/person_names.h>
#include <notes/preview.h>
#include <notes/session.h>

#include <base/atomic_file.h>
#include <base/html.h>

#include <notesapi/notesapi.h>

namespace notes {

const std::array<std::string_view, kPreviewFieldCount> kPreviewFields = {
    "AltFullName", "AltFullNameLanguage", "AltFullNameLanguageDisplay_1", "AltFullNameSort", "AreaCodeFromLoc",
    "Assistant", "Briefcase", "BusinessAddress", "Categories", "Certificate", "Children", "City", "Comment",
    "DisplayEmail", "DisplayEmail_1", "DisplayURL", "DisplayURL2", "DisplyJobTitle", "DocumentAccess",
    "HomeAddress", "JobTitle", "Location", "Logo", "MailDomain", "MailSystem", "Manager",
    "NameDisplayPref", "OfficeCity", "OfficeCountry", "OfficePhoneNumber_Read", "OfficeState",
    "OfficeStreetAddress", "OfficeZip", "PersPager", "PhoneNumber", "PhoneNumber_6", "Nickname", "Work2Phone",
    "Work3Phone",
    "Home2Phone", "Home3Phone", "WorkFax2Phone", "WorkFax3Phone", "AssistantPhone", "Assistant2Phone", "Spouse",
    "State", "StreetAddress", "Suffix", "Title", "WebSite", "Zip",
    "_AddressFormat", "_BusinessAddressFormat", "dspCellPhone", "dspFax", "FirstName", "LastName",
    "MiddleInitial", "OfficeFAXPhoneNumber", "HomeFAXPhoneNumber", "FullName", "ShortName", "InternetAddress",
    "CompanyName",
    "MailAddress", "Country", "Birthday", "Anniversary", "Department", "MiscPhone1", "MiscPhone2", "MiscPhone3",
    "OfficePhoneNumber", "CellPhoneNumber",
};

std::string_view PreviewRowClass(size_t number) {
    if (number == 1) return "firstline";
    return number % 2 == 0 ? "secondline" : "whiteline";
}

std::vector<PreviewValue> ReadPreviewValues(const LNDocument& doc) {
    std::vector<PreviewValue> values;
    for (size_t i = 0; i < kPreviewFields.size(); ++i) {
        const std::string_view name = kPreviewFields[i];
        std::string value = (name == "Birthday" || name == "Anniversary")
                                ? ReadDateListText(doc, name)
                                : ReadItemText(doc, name, kWindowDefault);
        if (name == "FullName") value = PersonName(value);
        if (!value.empty()) values.push_back({i + 1, std::move(value)});
    }
    return values;
}

namespace {

// The page up to its table's rows, and after them.
constexpr std::string_view kPageHead =
    "<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Transitional//EN' "
    "'http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd'>"
    "<html xmlns='http://www.w3.org/1999/xhtml'>"
    "<head><meta http-equiv='Content-Type' content='text/html; charset=utf-8' />"
    "<style type='text/css'><!--"
    "body,td,th {\tfont-family: Verdana, Arial, Helvetica, sans-serif;\tfont-size: 11px;\tcolor: #666666;}"
    "body {\tmargin-left: 0px;\tmargin-top: 0px;\tmargin-right: 0px;\tmargin-bottom: 0px;}"
    "a {\tfont-family: Verdana, Arial, Helvetica, sans-serif;\tfont-size: 10px;}-->"
    ".tabmain  {border-collapse:collapse;border-spacing:0;border-color:#eaeaeb;}"
    ".tabmain td{font-family:Arial, sans-serif;font-size:14px;padding:10px 5px;border-style:solid;"
    "border-width:1px;overflow:hidden;word-break:normal;border-color:#eaeaeb;background-color:#fafafa;}"
    ".tabmain .whiteline{background-color:#fff;vertical-align:top}"
    ".tabmain .firstline{background-color:#d2d2d3;vertical-align:top}"
    ".tabmain .secondline{background-color:#f0f1f2;vertical-align:top}"
    "</style></head><body>"
    "<table width='100%' border='0' cellspacing='2' cellpadding='2' class='tabmain'>";
constexpr std::string_view kPageTail = "</table></body></html>";

// One table row: the label and the value, which is HTML already.
void AppendRow(std::string& page, std::string_view label, size_t number, const std::string& html) {
    const std::string cls(PreviewRowClass(number));
    page += "  <tr>   <td height='20' width='30%' class='" + cls + "'><b>" + std::string(label) +
            ": </b></td>   <td height='20' width='70%' class='" + cls + "'>" + html + "</td> </tr>";
}

}  // namespace

std::string BuildPreviewPage(const std::vector<PreviewValue>& values) {
    std::string page(kPageHead);
    for (const PreviewValue& v : values) {
        if (v.number < 1 || v.number > kPreviewFields.size() || v.value.empty()) continue;
        AppendRow(page, kPreviewFields[v.number - 1], v.number, base::HtmlEscaped(v.value));
    }
    page += kPageTail;
    return page;
}

std::string BuildGroupPreviewPage(const GroupDocument& group) {
    std::string page(kPageHead);
    if (!group.name.empty()) AppendRow(page, "ListName", 1, base::HtmlEscaped(group.name));
    if (!group.description.empty()) AppendRow(page, "ListDescription", 2, base::HtmlEscaped(group.description));
    if (!group.members.empty()) {
        std::string lines;
        for (const std::string& member : group.members) {
            if (!lines.empty()) lines += "<br />";
            lines += base::HtmlEscaped(member);
        }
        AppendRow(page, "Members", 3, lines);
    }
    page += kPageTail;
    return page;
}

bool WritePreviewPage(const std::string& path, const std::string& page) {
    try {
        base::WriteFileAtomically(path, page);
        return true;
    } catch (const base::IoError&) {
        return false;
    }
}

namespace {

// Clears the running flag and restores the window however the preview ends.
class PreviewRun {
public:
    PreviewRun(BrowseState& state, PreviewView& view) : state_(state), view_(view) {}
    ~PreviewRun() {
        view_.CloseWaitWindow();
        state_.previewRunning.store(0);
        view_.EnableList(true);
    }
    PreviewRun(const PreviewRun&) = delete;
    PreviewRun& operator=(const PreviewRun&) = delete;

private:
    BrowseState& state_;
    PreviewView& view_;
};

// The page of the document: a group's, or a contact's values; a contact page
// with no rows when it cannot be bound or opened. A failure of the database
// file itself is thrown on.
std::string EntryPage(LNViewFolder& folder, size_t entryIndex) {
    LNDocument doc;
    try {
        folder[entryIndex].GetDocument(&doc);
        doc.Open(0);
    } catch (const notesapi::NotesError& error) {
        if (IsDatabaseFailure(error)) throw;
        return BuildPreviewPage({});
    }
    if (IsGroupDocument(doc)) return BuildGroupPreviewPage(ReadGroupDocument(doc));
    return BuildPreviewPage(ReadPreviewValues(doc));
}

}  // namespace

PreviewResult PreviewEntry(BrowseState& state, PreviewView& view, uint32_t viewIndex, size_t entryIndex,
                           const std::string& pagePath) {
    int idle = 0;
    if (!state.previewRunning.compare_exchange_strong(idle, 1)) {
        // Another preview runs and owns the flag and the list: only this
        // request's wait window goes.
        view.CloseWaitWindow();
        return PreviewResult::Busy;
    }
    PreviewRun run(state, view);
    const std::string path = state.databasePath.get();

    Session session;
    if (!session.Started()) return PreviewResult::NotShown;
    view.EnableList(false);

    LNDatabase db;
    PreviewResult result = PreviewResult::NotShown;
    try {
        LNViewFolder folder = OpenViewOf(session.Api(), path, viewIndex, db);
        WritePreviewPage(pagePath, EntryPage(folder, entryIndex));
        view.Navigate(pagePath);
        result = PreviewResult::Shown;
    } catch (const notesapi::NotesError& error) {
        // The database or view could not be read: nothing is shown.
        view.ReportFailure(ErrorText(error));
    }
    db.Close();
    return result;
}

PreviewResult PreviewChosenRow(BrowseState& state, PreviewView& view, const std::string& pagePath) {
    view.ShowWaitWindow();
    return PreviewEntry(state, view, uint32_t(state.previewView.load()), size_t(state.previewEntry.load()), pagePath);
}

}  // namespace notes
