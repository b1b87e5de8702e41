// Every contact of a view opened and read into a contact record, as the
// export's readers do, for the benchmarks that time the reading alone.
#pragma once

#include <exporting/contact_map.h>
#include <notes/contact_entries.h>
#include <notesapi/notesapi.h>

#include <cstddef>

// Hands each record to use; the count of contacts read.
template <typename Use>
size_t ForEachContactRecord(const LNViewFolder& view, Use use) {
    size_t read = 0;
    for (size_t n = 0; n < view.GetEntryCount(); ++n) {
        LNDocument doc;
        if (!notes::ContactDocument(view, n, &doc)) continue;
        try {
            doc.Open(0);
        } catch (const notesapi::NotesError&) {
            continue;
        }
        use(exporting::ReadContact(doc));
        doc.Close();
        ++read;
    }
    return read;
}
