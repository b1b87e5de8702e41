// libFuzzer target: any bytes as a database file must give a status or a
// database, never a crash, a hang or a leak.
#include <notesapi/notesapi.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static unsigned counter = 0;
    std::string path = "/tmp/ferrywell-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(counter++ % 8) + ".dxl";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    LNSetThrowAllErrorsGlobal(0);
    LNNotesSession session;
    session.Init();
    LNDatabase db;
    session.GetDatabase(path, &db);
    if (db.Open() == LNNOERROR) {
        LNDocumentArray docs;
        db.Search("Form=\"Person\"", &docs);
        LNViewFolderArray views;
        db.GetViewFolders(&views);
        for (size_t v = 0; v < views.GetCount() && v < 16; ++v) {
            LNViewFolder view = views[v];
            view.Open();
            size_t n = 0;
            if (view.GetEntryCount(&n) != LNNOERROR) continue;
            for (size_t e = 0; e < n && e < 64; ++e) {
                LNDocument doc;
                if (view[e].GetDocument(&doc) != LNNOERROR || doc.Open() != LNNOERROR) continue;
                for (const auto& name : doc.GetItemNames()) {
                    LNText t;
                    LNDatetimes d;
                    LNRichText r;
                    LNString s;
                    if (doc.GetItem(name, &t) == LNNOERROR && t.GetCount()) (void)t[0];
                    if (doc.GetItem(name, &d) == LNNOERROR) d.GetText(&s);
                    if (doc.GetItem(name, &r) == LNNOERROR) r.GetText(&s);
                }
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
