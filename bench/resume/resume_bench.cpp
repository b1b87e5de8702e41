// What resuming an export costs: writes N contacts (default 100,000) with
// every contact property and their source identity into one PST through the
// store session, then times, each in the same process after the write:
//   - listing the folder's saved identities (the once-per-folder read),
//   - the check that picks the PST to continue among the destination's,
//   - opening it for writing after its check,
//   - replacing 1% of the items in place, with the commit;
// and for file outputs, recording and reading back N journal lines, and
// reading the identity of 2,000 MSG files against reading them whole.
//
//   resume_bench [count] [work folder] [keep]
#include <mapi/contact.h>
#include <msg/msg_file.h>
#include <store/msg_file.h>
#include <store/saved_items.h>
#include <store/saved_journal.h>
#include <store/session.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kDatabase = "replica:852571E80054A1B2";

mapi::SourceIdentity Identity(long n, int64_t modified = 133486382450600000) {
    char unid[33];
    std::snprintf(unid, sizeof unid, "%016lX%016lX", 0x85256A5400504100L, n);
    return {kDatabase, unid, mapi::FileTime{modified}, 1};
}

void Fill(store::ContactItem& c, long i) {
    std::string n = std::to_string(i);
    for (const auto& info : mapi::ContactFields()) {
        if (info.key.type == mapi::PropType::Unicode) c.Set(info.field, std::string(info.name) + " Жанна Ελένη 山田 " + n);
        else if (info.key.type == mapi::PropType::SysTime) c.SetDate(info.field, 25000.0 + double(i % 20000));
    }
    c.SetSent(true);
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double CpuSeconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Runs f and prints its wall and processor time.
template <class F>
void Timed(const char* what, long items, F&& f) {
    const double cpu = CpuSeconds();
    const auto start = Clock::now();
    f();
    const double wall = Seconds(start), used = CpuSeconds() - cpu;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%-32s %7.3f s wall %7.3f s cpu %9.0f items/s (cpu)  peak %5.0f MB\n", what, wall, used,
                double(items) / std::max(used, 1e-6), double(ru.ru_maxrss) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 100000;
    const fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "ferrywell-resume-bench";
    const bool keep = argc > 3 && std::string(argv[3]) == "keep";
    fs::remove_all(work);
    fs::create_directories(work / "profile");
    fs::create_directories(work / "out");
    setenv("FERRYWELL_PROFILE", (work / "profile").c_str(), 1);
    const std::string pst = (work / "out" / "names-Corvane-1.pst").string();

    const auto writeStart = Clock::now();
    {
        store::Session session;
        session.Logon();
        session.CreateStore(pst, "names-Corvane-1");
        store::Items items = session.EnsureFolderPath("\\\\names-Corvane-1\\Contacts").GetItems();
        for (long i = 0; i < count; ++i) {
            store::ContactItem c = items.Add("IPM.Contact");
            Fill(c, i);
            store::SetSourceIdentity(c, Identity(i));
            c.Save();
        }
        session.Logoff();
    }
    rusage written{};
    getrusage(RUSAGE_SELF, &written);
    std::printf("contacts written: %ld in %.1f s (%.1f MB file), peak %.0f MB\n", count, Seconds(writeStart),
                double(fs::file_size(pst)) / 1048576.0, double(written.ru_maxrss) / 1024.0);

    store::Session session;
    session.Logon();
    store::Folder folder = session.GetFolderFromPath("\\\\names-Corvane-1\\Contacts");
    store::SavedItems saved;
    Timed("list saved identities", count, [&] { saved = store::ListSavedItems(folder); });
    if (long(saved.Size()) != count) std::fprintf(stderr, "listed %zu of %ld\n", saved.Size(), count);
    long unchanged = 0;
    Timed("look every document up", count, [&] {
        for (long i = 0; i < count; ++i) unchanged += saved.StateOf(Identity(i)) == mapi::SavedState::Unchanged;
    });
    if (unchanged != count) std::fprintf(stderr, "%ld unchanged of %ld\n", unchanged, count);
    session.Logoff();

    store::PstCandidates found;
    Timed("choose the PST to continue", 1, [&] { found = store::FindPstsToContinue((work / "out").string(), "names-Corvane-", kDatabase); });
    if (found.usable.size() != 1) std::fprintf(stderr, "no PST to continue\n");

    // A profile that does not list the file: opening it reads and checks it.
    fs::remove_all(work / "profile");
    session.Logon();
    Timed("open it for writing, checked", 1, [&] { session.OpenStoreFile(pst); });
    folder = session.GetFolderFromPath("\\\\names-Corvane-1\\Contacts");
    const long changed = std::max(1L, count / 100);
    Timed("replace 1% in place, commit", changed, [&] {
        store::Items items = folder.GetItems();
        for (long i = 0; i < changed; ++i) {
            const long n = i * (count / changed);
            store::ContactItem c = items.Replace(saved.Find(kDatabase, Identity(n).unid)->where);
            Fill(c, n);
            store::SetSourceIdentity(c, Identity(n, 133486382450600001));
            c.Save();
        }
        session.Flush();
    });
    session.Logoff();

    const std::string files = (work / "files").string();
    fs::create_directories(files);
    Timed("record file outputs (journal)", count, [&] {
        store::SavedJournal journal(files);
        for (long i = 0; i < count; ++i) journal.Record(Identity(i), {"Company Name " + std::to_string(i) + "--" + std::to_string(i) + ".vcf"});
    });
    store::SavedFiles journal;
    Timed("read the journal back", count, [&] { journal = store::ReadSavedJournal(files); });
    if (long(journal.Size()) != count) std::fprintf(stderr, "journal holds %zu of %ld\n", journal.Size(), count);

    const long msgCount = std::min(count, 2000L);
    const fs::path msgs = work / "msg";
    fs::create_directories(msgs);
    for (long i = 0; i < msgCount; ++i) {
        auto c = store::CreateMessageFromMsgFile((msgs / (std::to_string(i) + ".msg")).string(), "IPM.Contact", store::kMsgFileFormat);
        Fill(*c, i);
        store::SetSourceIdentity(*c, Identity(i));
        c->Save();
    }
    Timed("MSG files: identity only", msgCount, [&] {
        if (long(store::ListSavedMsgFiles(msgs.string()).Size()) != msgCount) std::fprintf(stderr, "MSG identities missing\n");
    });
    Timed("MSG files: read whole", msgCount, [&] {
        for (long i = 0; i < msgCount; ++i) msg::ReadMsgFile((msgs / (std::to_string(i) + ".msg")).string());
    });

    if (!keep) fs::remove_all(work);
    return 0;
}
