// A stop asked for while the readers run ahead of the writer: the run ends
// as a stop, with what it wrote and what it did not reach counted.
#include "export_fixture.h"

#include <notes/contact_entries.h>

#include <support/temp_files.h>

#include <atomic>
#include <fstream>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;

TEST_F(ExportTest, AStopDuringTheThirdDocumentEndsTheWalk) {
    sink.onLog = [&](const std::string& text) {
        if (text.rfind("Export Items: ", 0) == 0 && sink.Count("Export Items: ") == 3) stop.store(1);
    };
    ExportOutcome r = Mailbox(Options(OutputKind::Txt), Folders());
    EXPECT_EQ(r.end, ExportEnd::Stopped);
    EXPECT_EQ(r.totals.written, 3u);
    EXPECT_EQ(sink.Count("Export Items: "), 3u);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Conversion stopped by the user: 3 contacts written, 207 not written."});
    EXPECT_EQ(FilesUnder(r.outputs.at(0)).size(), 3u);
    // What the stop left undone: every other contact of the asked views.
    uint64_t asked = 0;
    for (const auto& f : Folders()) asked += notes::ContactEntries(state->databasePath.get(), f.viewIndex).size();
    EXPECT_EQ(r.notReached, asked - 3);

    // A list export: the ticked entries after the third.
    sink.log.clear();
    ExportOutcome l = Selected(Options(OutputKind::Txt, Out()), "Contacts", {2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    EXPECT_EQ(l.end, ExportEnd::Stopped);
    EXPECT_EQ(l.totals.written, 3u);
    EXPECT_EQ(l.notReached, 7u);
}

// A contact whose PDF takes seconds to lay out: a stop that comes while it
// is laid out ends the run as a stop, with nothing of that contact written
// and nothing counted as failed. It is the view's last entry, so no later
// stop check would notice the loss.
TEST_F(ExportTest, AStopInsideALongPdfEndsTheRunAsAStop) {
    std::string lines;
    for (int i = 0; i < 100000; ++i) lines += "<par def='1'>Line " + std::to_string(i) + "</par>";
    const std::string db = dir / "long.dxl";
    std::ofstream(db, std::ios::binary)
        << Dxl(View("Contacts", "SELECT Form = \"Person\"", "<column sort='ascending' itemname='FullName'/>") +
               Person(Text("FullName", "Anna Short")) +
               Person(Text("FullName", "Bert Long") +
                      "<item name='Body'><richtext><pardef id='1'/>" + lines + "</richtext></item>"));
    Open(db);
    for (bool listed : {false, true}) {
        SCOPED_TRACE(listed ? "selected items" : "mailbox");
        const std::string dest = dir / (listed ? "listed" : "mailbox");
        std::filesystem::create_directories(dest);
        sink.log.clear();
        stop.store(0);
        // Stopped once the first contact is written, while the long one is
        // laid out (ahead, on a reading thread) or about to be.
        sink.onLog = [&](const std::string& text) {
            if (text.rfind("Export Items: ", 0) == 0) stop.store(1);
        };
        ExportOutcome r = listed ? Selected(Options(OutputKind::Pdf, dest), "Contacts", {0, 1})
                                 : Mailbox(Options(OutputKind::Pdf, dest), Folders({"Contacts"}));
        EXPECT_EQ(r.end, ExportEnd::Stopped);
        EXPECT_EQ(r.totals.written, 1u);
        EXPECT_EQ(r.totals.failed, 0u);
        EXPECT_EQ(sink.Count("Export Items: "), 1u);
        EXPECT_EQ(sink.Count("Cannot write"), 0u);
        EXPECT_EQ(FilesUnder(dest, ".pdf").size(), 1u);
    }
}
