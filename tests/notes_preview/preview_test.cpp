#include <notes/preview.h>

#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ReadFile;

namespace {

const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl";
constexpr uint32_t kContactsView = 3;

// Entry indexes in the Contacts view of the sample.
constexpr size_t kPatQuinlan = 45, kHenryJones = 20, kNoraBell = 40, kJaneDoe = 26, kYamada = 67;

struct RecordingView : notes::PreviewView {
    void ShowWaitWindow() override { calls.push_back("wait"); }
    void CloseWaitWindow() override { calls.push_back("close"); }
    void EnableList(bool enable) override { calls.push_back(enable ? "enable" : "disable"); }
    void Navigate(const std::string& path) override { calls.push_back("navigate " + path); }
    void ReportFailure(const std::string& reason) override { failure = reason; }
    std::vector<std::string> calls;
    std::string failure;
};

// (label, class, value) of every table row of a page.
std::vector<std::tuple<std::string, std::string, std::string>> Rows(const std::string& page) {
    static const std::regex row(
        "  <tr>   <td height='20' width='30%' class='(\\w+)'><b>(\\w+): </b></td>   "
        "<td height='20' width='70%' class='(\\w+)'>([^<]*)</td> </tr>");
    std::vector<std::tuple<std::string, std::string, std::string>> out;
    for (std::sregex_iterator it(page.begin(), page.end(), row), end; it != end; ++it) {
        EXPECT_EQ((*it)[1], (*it)[3]);
        out.emplace_back((*it)[2], (*it)[1], (*it)[4]);
    }
    return out;
}

std::string PagePath() {
    return (fs::temp_directory_path() / ("ferrywell-preview-" + std::to_string(::getpid()) + ".html")).string();
}

}  // namespace

TEST(PreviewPage, RowClassesFollowTheFixedNumber) {
    struct Case {
        size_t number;
        const char* cls;
    } cases[] = {{1, "firstline"}, {2, "secondline"}, {3, "whiteline"}, {62, "secondline"}, {66, "secondline"},
                 {49, "whiteline"}, {75, "whiteline"}};
    for (const auto& c : cases) EXPECT_EQ(notes::PreviewRowClass(c.number), c.cls) << c.number;
    EXPECT_EQ(notes::kPreviewFields.front(), "AltFullName");
    EXPECT_EQ(notes::kPreviewFields[61], "FullName");
    EXPECT_EQ(notes::kPreviewFields.back(), "CellPhoneNumber");
}

TEST(PreviewPage, ValuesAreEscapedAndEmptyOnesLeftOut) {
    const std::string page = notes::BuildPreviewPage(
        {{1, "Alt"}, {21, "<b>Head</b> of Design & 'Co' \"x\""}, {30, ""}, {0, "bad"}, {76, "bad"}});
    auto rows = Rows(page);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::make_tuple("AltFullName", "firstline", "Alt"));
    EXPECT_EQ(rows[1], std::make_tuple("JobTitle", "whiteline",
                                       "&lt;b&gt;Head&lt;/b&gt; of Design &amp; &#39;Co&#39; &quot;x&quot;"));
    EXPECT_EQ(page.find('\n'), std::string::npos);
    EXPECT_EQ(page.rfind("<!DOCTYPE html PUBLIC '-//W3C//DTD XHTML 1.0 Transitional//EN'", 0), 0u);
    EXPECT_NE(page.find("charset=utf-8"), std::string::npos);
    EXPECT_NE(page.find(".tabmain .secondline{background-color:#f0f1f2;vertical-align:top}"), std::string::npos);
    EXPECT_TRUE(page.ends_with("</table></body></html>"));
}

TEST(PreviewOfSample, PagesHoldTheExpectedRows) {
    struct Case {
        size_t entry;
        std::vector<std::tuple<std::string, std::string, std::string>> expected;  // empty: check size only
        size_t rowCount;
    } cases[] = {
        {kPatQuinlan,
         {{"FullName", "secondline", "Pat Quinlan"}, {"MailAddress", "secondline", "pat.quinlan@example.net"}},
         2},
        {kJaneDoe, {}, 75},
    };
    const std::string pagePath = PagePath();
    for (const auto& c : cases) {
        notes::BrowseState state;
        state.databasePath.set(kSample);
        RecordingView view;
        EXPECT_EQ(notes::PreviewEntry(state, view, kContactsView, c.entry, pagePath),
                  notes::PreviewResult::Shown);
        auto rows = Rows(ReadFile(pagePath));
        EXPECT_EQ(rows.size(), c.rowCount) << c.entry;
        if (!c.expected.empty()) {
            EXPECT_EQ(rows, c.expected);
        }
        EXPECT_EQ(view.calls, (std::vector<std::string>{"disable", "navigate " + pagePath, "close", "enable"}));
        EXPECT_EQ(state.previewRunning.load(), 0);
    }
    fs::remove(pagePath);
}

TEST(PreviewOfSample, AwkwardValues) {
    const std::string pagePath = PagePath();
    notes::BrowseState state;
    state.databasePath.set(kSample);
    RecordingView view;

    ASSERT_EQ(notes::PreviewEntry(state, view, kContactsView, kHenryJones, pagePath),
              notes::PreviewResult::Shown);
    std::string page = ReadFile(pagePath);
    EXPECT_NE(page.find("<b>Suffix: </b>"), std::string::npos);
    EXPECT_NE(page.find("<b>Title: </b>"), std::string::npos);
    EXPECT_EQ(page.find("<b>StreetAddress: </b>"), std::string::npos);

    ASSERT_EQ(notes::PreviewEntry(state, view, kContactsView, kNoraBell, pagePath),
              notes::PreviewResult::Shown);
    page = ReadFile(pagePath);
    EXPECT_NE(page.find("&lt;b&gt;Head&lt;/b&gt; of Design"), std::string::npos);
    EXPECT_EQ(page.find("<b>Head</b>"), std::string::npos);

    // Characters past U+00FF survive, written as UTF-8.
    ASSERT_EQ(notes::PreviewEntry(state, view, kContactsView, kYamada, pagePath),
              notes::PreviewResult::Shown);
    EXPECT_NE(ReadFile(pagePath).find("\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E"), std::string::npos);

    ASSERT_EQ(notes::PreviewEntry(state, view, kContactsView, kJaneDoe, pagePath),
              notes::PreviewResult::Shown);
    page = ReadFile(pagePath);
    EXPECT_NE(page.find("<b>Birthday: </b></td>   <td height='20' width='70%' class='secondline'>1975-03-14</td>"),
              std::string::npos);
    fs::remove(pagePath);
}

TEST(PreviewOfSample, AGroupShowsItsNameDescriptionAndMembersAsWritten) {
    const std::string pagePath = PagePath();
    notes::BrowseState state;
    state.databasePath.set(std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl");
    RecordingView view;
    constexpr uint32_t kGroupsContactsView = 2;
    constexpr size_t kUnbekannt = 14;
    ASSERT_EQ(notes::PreviewEntry(state, view, kGroupsContactsView, kUnbekannt, pagePath),
              notes::PreviewResult::Shown);
    const std::string page = ReadFile(pagePath);
    EXPECT_EQ(Rows(page), (std::vector<std::tuple<std::string, std::string, std::string>>{
                              {"ListName", "firstline", "Unbekannt"}, {"ListDescription", "secondline", "Members nobody has"}}));
    EXPECT_NE(page.find("<b>Members: </b></td>   <td height='20' width='70%' class='whiteline'>CN=Nobody Known/O=Nowhere"
                        "<br />Lukas Brandt/Offizin<br />Effi Hoffmann</td>"),
              std::string::npos)
        << page;
    fs::remove(pagePath);

    // Values are escaped; empty ones leave their row out.
    const std::string built = notes::BuildGroupPreviewPage({"<b>Team</b>", "", "", {"a<b", "c & d"}});
    EXPECT_NE(built.find("class='firstline'>&lt;b&gt;Team&lt;/b&gt;</td>"), std::string::npos);
    EXPECT_NE(built.find("class='whiteline'>a&lt;b<br />c &amp; d</td>"), std::string::npos);
    EXPECT_EQ(built.find("ListDescription"), std::string::npos);
    EXPECT_EQ(notes::BuildGroupPreviewPage({"Leer", "", "", {}}).find("Members"), std::string::npos);
}

TEST(PreviewOfSample, FailuresAlwaysCloseTheWaitWindowAndClearTheFlag) {
    const std::string pagePath = PagePath();
    struct Case {
        std::string database;
        uint32_t view;
        size_t entry;
        notes::PreviewResult result;
        size_t rows;  // when shown
    } cases[] = {
        {"/nonexistent/names.dxl", kContactsView, 0, notes::PreviewResult::NotShown, 0},
        {kSample, 999, 0, notes::PreviewResult::NotShown, 0},
        {kSample, kContactsView, 100000, notes::PreviewResult::Shown, 0},  // no such entry: empty table
    };
    for (const auto& c : cases) {
        notes::BrowseState state;
        state.databasePath.set(c.database);
        state.previewView.store(int(c.view));
        state.previewEntry.store(int(c.entry));
        RecordingView view;
        EXPECT_EQ(notes::PreviewChosenRow(state, view, pagePath), c.result) << c.database << " " << c.view;
        EXPECT_EQ(view.calls.front(), "wait");
        EXPECT_EQ(view.calls[view.calls.size() - 2], "close");
        EXPECT_EQ(view.calls.back(), "enable");
        EXPECT_EQ(state.previewRunning.load(), 0);
        if (c.result == notes::PreviewResult::Shown) {
            EXPECT_EQ(Rows(ReadFile(pagePath)).size(), c.rows);
            EXPECT_EQ(view.failure, "");
        } else {
            EXPECT_NE(view.failure, "") << "a preview that shows nothing says why";
        }
    }

    // A request while another preview runs leaves the running one alone.
    notes::BrowseState busy;
    busy.databasePath.set(kSample);
    busy.previewRunning.store(1);
    RecordingView view;
    EXPECT_EQ(notes::PreviewEntry(busy, view, kContactsView, 0, pagePath), notes::PreviewResult::Busy);
    EXPECT_EQ(view.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(busy.previewRunning.load(), 1);

    // A page that cannot be written leaves the earlier page file alone.
    EXPECT_FALSE(notes::WritePreviewPage("/nonexistent/dir/header.html", "x"));
    fs::remove(pagePath);
}
