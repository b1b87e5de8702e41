// Timing of the Notes layer on a large DXL file: a bare streaming parse of
// the file, the analysis (first open, contact search, view walk), a second
// open, one document's items, every contact of the Contacts view read as an
// export reads it (with a digest of what was read, to compare two builds),
// and the peak memory against the file size.
// Usage: notesapi_bench FILE.dxl [analysis|contacts]
//   analysis, contacts: that phase alone (for callgrind or perf)
#include "../contact_records.h"

#include <notes/field_rules.h>
#include <notes/headless_views.h>
#include <notesapi/notesapi.h>

#include <expat.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// The fastest a reader could go: expat with handlers that do nothing.
double BareParseMs(const char* path) {
    auto t0 = Clock::now();
    XML_Parser p = XML_ParserCreateNS(nullptr, '|');
    XML_SetElementHandler(p, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
    int fd = ::open(path, O_RDONLY);
    for (;;) {
        void* buf = XML_GetBuffer(p, 1 << 20);
        ssize_t n = ::read(fd, buf, 1 << 20);
        if (XML_ParseBuffer(p, int(n), n == 0) == XML_STATUS_ERROR) {
            std::fprintf(stderr, "parse error\n");
            break;
        }
        if (n == 0) break;
    }
    ::close(fd);
    XML_ParserFree(p);
    return Ms(t0, Clock::now());
}

// FNV-1a over what was read, so that two builds can be shown to read the same.
struct Digest {
    uint64_t h = 1469598103934665603ull;
    void Add(std::string_view s) {
        for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
        h = (h ^ 0xFF) * 1099511628211ull;
    }
};

__attribute__((noinline)) bool Analyse(notes::BrowseState& state) {
    notes::HeadlessAnalysisView view(state);
    auto outcome = notes::AnalyseContactViews(state, view);
    if (outcome.result == notes::AnalysisResult::Completed) return true;
    std::fprintf(stderr, "analysis failed: %s\n", outcome.error.c_str());
    return false;
}

// Every document of the view opened and read into a contact record, as the
// export's reading thread does; the count of contacts read.
__attribute__((noinline)) size_t ReadContacts(const LNViewFolder& view, Digest* digest) {
    return ForEachContactRecord(view, [digest](const exporting::ContactRecord& c) {
        for (const auto& item : c.items) {
            digest->Add(item.name);
            for (const auto& v : item.values) digest->Add(v);
        }
        for (const auto& cut : c.cutItems) digest->Add(cut);
        digest->Add(c.from), digest->Add(c.subject), digest->Add(c.body), digest->Add(c.comment);
        digest->Add(std::to_string(c.birthday.value) + std::to_string(c.anniversary.value) +
                    std::to_string(c.birthday.valid + 2 * c.anniversary.valid + 4 * c.hasSubject + 8 * c.hasAttachments));
    });
}

// The view the tree calls Contacts.
LNViewFolder ContactsView(const notes::BrowseState& state, LNDatabase& db) {
    LNViewFolderArray views;
    db.GetViewFolders(&views);
    for (const auto& r : state.folders.Snapshot())
        if (r.folderName == "Contacts") {
            LNViewFolder v = views[r.viewIndex];
            v.Open();
            return v;
        }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: notesapi_bench FILE.dxl [analysis|contacts]\n");
        return 2;
    }
    const char* path = argv[1];
    const std::string only = argc == 3 ? argv[2] : "";
    struct stat sb {};
    ::stat(path, &sb);

    double bare = only.empty() ? BareParseMs(path) : 0;

    notes::BrowseState state;
    state.databasePath.set(path);
    auto t0 = Clock::now();
    if (!Analyse(state)) return 1;
    double analysis = Ms(t0, Clock::now());
    if (only == "analysis") {
        std::printf("analysis (first open)     %.0f ms\n", analysis);
        return 0;
    }

    LNNotesSession session;
    session.Init();
    t0 = Clock::now();
    LNDatabase db;
    session.GetDatabase(path, &db);
    db.Open();
    double secondOpen = Ms(t0, Clock::now());

    const LNViewFolder contactsView = ContactsView(state, db);
    Digest digest;
    t0 = Clock::now();
    const size_t contacts = ReadContacts(contactsView, &digest);
    double contactsMs = Ms(t0, Clock::now());
    if (only == "contacts") {
        std::printf("contacts read             %.0f ms  (%zu contacts, digest %016llx)\n", contactsMs, contacts,
                    static_cast<unsigned long long>(digest.h));
        return 0;
    }

    // One document's items: open it and read every contact item by the rule.
    LNDocumentArray docs;
    db.Search("Form=\"Person\"", &docs);
    const size_t samples = 2000;
    const char* names[] = {"FullName", "FirstName", "LastName", "MailAddress", "CompanyName", "OfficePhoneNumber",
                           "OfficeCity", "Comment"};
    t0 = Clock::now();
    size_t chars = 0;
    for (size_t i = 0; i < samples; ++i) {
        LNDocument doc = docs[(i * 7919) % docs.GetCount()];
        doc.Open();
        for (const char* n : names) chars += notes::ReadItemText(doc, n).size();
        chars += notes::ReadDateListText(doc, "Birthday").size();
    }
    double perDoc = Ms(t0, Clock::now()) / samples;

    // The rich-text body of every contact as plain text, the minimum of a
    // few rounds (each document is read from the file again).
    double bodyMs = 1e300;
    for (int round = 0; round < 3; ++round) {
        t0 = Clock::now();
        for (size_t i = 0; i < docs.GetCount(); ++i) {
            LNDocument doc = docs[i];
            doc.Open();
            LNRichText body;
            LNString text;
            if (!doc.HasItem("Body")) continue;
            doc.GetItem("Body", &body);
            body.GetText(&text);
            chars += text.str().size();
        }
        bodyMs = std::min(bodyMs, Ms(t0, Clock::now()));
    }

    // Entries of the largest contact view, computed once and then cached.
    LNViewFolderArray views;
    db.GetViewFolders(&views);
    t0 = Clock::now();
    size_t entries = 0;
    for (const auto& r : state.folders.Snapshot()) {
        LNViewFolder v = views[r.viewIndex];
        v.Open();
        entries += v.GetEntryCount();
    }
    double viewsMs = Ms(t0, Clock::now());

    struct rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    double peakMb = ru.ru_maxrss / 1024.0;
    double fileMb = double(sb.st_size) / (1024.0 * 1024.0);

    std::printf("file                      %.1f MB, %zu contacts\n", fileMb, docs.GetCount());
    std::printf("bare streaming parse      %.0f ms\n", bare);
    std::printf("analysis (first open)     %.0f ms  (%.2fx the bare parse; target <= 1.5x)\n", analysis, analysis / bare);
    std::printf("second open               %.3f ms  (target < 50 ms)\n", secondOpen);
    std::printf("one document's items      %.3f ms  (target < 1 ms)\n", perDoc);
    std::printf("rich-text bodies          %.0f ms  (%.4f ms a contact)\n", bodyMs, bodyMs / double(docs.GetCount()));
    std::printf("entries of contact views  %.0f ms  (%zu entries)\n", viewsMs, entries);
    std::printf("contacts read             %.0f ms  (%zu contacts of Contacts, %.4f ms each, digest %016llx)\n",
                contactsMs, contacts, contactsMs / double(std::max<size_t>(contacts, 1)),
                static_cast<unsigned long long>(digest.h));
    std::printf("peak memory               %.1f MB  (%.2fx the file; target < 1x)\n", peakMb, peakMb / fileMb);
    return chars == 0;
}
