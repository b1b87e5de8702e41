// Reading ahead on a thread of its own changes nothing a user can see: the
// same files, the same items in the same order, the same log.
#include "export_fixture.h"

#include <pst/pst_file.h>

#include <support/test_files.h>

#include <mapi/tags.h>

using namespace exporting;
using namespace exporttest;

namespace {

namespace fs = std::filesystem;

// Every file below dir by its relative path, with its bytes; a PDF, which
// carries the time it was made, with its text.
std::map<std::string, std::string> Files(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string& content = out[fs::relative(e.path(), dir).string()];
        if (e.path().extension() != ".pdf")
            content = testsupport::ReadFile(e.path());
        else
            EXPECT_EQ(testsupport::RunTool("pdftotext -enc UTF-8 " + testsupport::Quote(e.path().string()) + " -", &content), 0);
    }
    return out;
}

// Every item of every folder of a PST, folder by folder in order, without
// what the store stamps on an item as it adds it (the time, a random key).
std::vector<std::map<mapi::PropertyKey, mapi::PropertyValue>> Items(const fs::path& path) {
    std::vector<std::map<mapi::PropertyKey, mapi::PropertyValue>> items;
    auto pst = pst::PstFile::Open(path.string(), false);
    std::function<void(pst::Nid)> walk = [&](pst::Nid folder) {
        for (pst::Nid message : pst->Messages(folder)) {
            auto all = pst->ReadMessage(message).All();
            std::erase_if(all, [](const auto& value) {
                const mapi::PropertyKey& key = value.first;
                return !key.IsNamed() && (key.TagId() == mapi::PidTagCreationTime.id ||
                                          key.TagId() == mapi::PidTagLastModificationTime.id ||
                                          key.TagId() == mapi::PidTagSearchKey.id);
            });
            items.push_back(std::move(all));
        }
        for (const pst::FolderInfo& sub : pst->Subfolders(folder)) walk(sub.nid);
    };
    walk(pst->RootFolder());
    return items;
}

// What an export made in its destination: one PST file or one folder, named
// after the time it was made.
fs::path OnlyOutput(const fs::path& dir) {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(dir)) found.push_back(e.path());
    EXPECT_EQ(found.size(), 1u) << dir;
    return found.empty() ? fs::path() : found[0];
}

class ReadAhead : public ExportTest {
protected:
    // Exports every folder of the open database to kind, reading ahead or
    // not, into a folder of its own; returns what it made there and the log,
    // with that output's name taken out.
    std::pair<fs::path, std::vector<std::string>> Export(OutputKind kind, bool readAhead) {
        const fs::path out = dir.Path() / ("run" + std::to_string(++runs));
        fs::create_directories(out);
        ExportRequest request = Request(Options(kind, out.string()));
        request.folders = Folders();
        request.readAhead = readAhead;
        sink.log.clear();
        const ExportOutcome outcome = Run(request);
        EXPECT_EQ(outcome.end, ExportEnd::Completed);
        EXPECT_EQ(outcome.totals.failed, 0u);
        const fs::path made = OnlyOutput(out);
        std::vector<std::string> log;
        for (auto [text, colour] : sink.log) {
            // Its path, and a PST's display name, its file's stem.
            for (const std::string& name : {made.string(), made.stem().string()})
                for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), "OUT");
            log.push_back(text + " #" + std::to_string(colour));
        }
        return {made, log};
    }
    int runs = 0;
};

TEST_F(ReadAhead, GivesTheFilesAndLogOfAnExportOneAfterTheOther) {
    for (const char* sample : {"fidelity.dxl", "groups.dxl", "names.dxl"}) {
        Open(std::string(FERRYWELL_SOURCE_DIR) + "/samples/" + sample);
        // A kind of each way of writing: items of a store, MSG files made as
        // they are written, rows, and files rendered ahead by the readers
        // (HTML and RTF are rendered as vCards are).
        std::vector<OutputKind> kinds = {OutputKind::Pst, OutputKind::Msg, OutputKind::Vcf, OutputKind::Csv};
        // Laid out on the readers' threads.
        if (sample == std::string("fidelity.dxl")) kinds.push_back(OutputKind::Pdf);
        for (OutputKind kind : kinds) {
            SCOPED_TRACE(std::string(sample) + " kind " + std::to_string(int(kind)));
            const auto [inTurn, inTurnLog] = Export(kind, false);
            const auto [ahead, aheadLog] = Export(kind, true);
            EXPECT_EQ(aheadLog, inTurnLog);
            if (kind == OutputKind::Pst) {
                EXPECT_EQ(Items(ahead), Items(inTurn));
                EXPECT_GT(Items(ahead).size(), 3u);
            } else {
                const auto files = Files(ahead);
                EXPECT_GT(files.size(), 0u);
                EXPECT_EQ(files, Files(inTurn));
            }
        }
    }
}

}  // namespace
