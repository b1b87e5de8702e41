// libFuzzer target: any bytes as a database file must give a status or a
// database, never a crash, a hang or a leak.
#include <notesapi/notesapi.h>

#include <base/base64.h>

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
    LNNotesSession session;
    session.Init();
    LNDatabase db;
    session.GetDatabase(path, &db);
    // Each step may fail on its own; the reading goes on with the next.
    auto attempt = [](auto&& step) {
        try {
            step();
            return true;
        } catch (const notesapi::NotesError&) {
            return false;
        }
    };
    if (attempt([&] { db.Open(); })) {
        LNDocumentArray docs;
        attempt([&] { db.Search("Form=\"Person\"", &docs); });
        LNViewFolderArray views;
        db.GetViewFolders(&views);
        for (size_t v = 0; v < views.GetCount() && v < 16; ++v) {
            LNViewFolder view = views[v];
            size_t n = 0;
            if (!attempt([&] { view.Open(); }) || !attempt([&] { view.GetEntryCount(&n); })) continue;
            for (size_t e = 0; e < n && e < 64; ++e) {
                LNDocument doc;
                if (!attempt([&] {
                        view[e].GetDocument(&doc);
                        doc.Open();
                    }))
                    continue;
                for (const auto& name : doc.GetItemNames()) {
                    LNText t;
                    LNDatetimes d;
                    LNRichText r;
                    LNString s;
                    if (attempt([&] { doc.GetItem(name, &t); }) && t.GetCount()) (void)t[0];
                    if (attempt([&] { doc.GetItem(name, &d); })) d.GetText(&s);
                    if (attempt([&] { doc.GetItem(name, &r); })) r.GetText(&s);
                }
                // Files and pictures, their data decoded as the exporters do.
                LNAttachmentArray files;
                if (attempt([&] { doc.GetAttachments(&files); }))
                    for (size_t f = 0; f < files.GetCount(); ++f) {
                        std::string bytes;
                        (void)base::Base64DecodeChecked(files[f].EncodedData(), 1 << 20, &bytes);
                        (void)files[f].GetRichTextItem();
                    }
            }
        }
    }
    std::remove(path.c_str());
    return 0;
}
