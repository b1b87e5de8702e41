// Writes N contacts (default 100,000) with every contact property through the
// store session into one new PST, then copies the finished file with cp.
// Prints contacts per second, peak memory, file size and the ratio to cp.
//
//   pst_bench [count] [work folder] [body characters] [keep]
//
// A large body makes files past 2 GiB (e.g. 30000 contacts, 40000 characters);
// "keep" leaves the PST in the work folder for outside readers.
#include <mapi/contact.h>
#include <store/session.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    long count = argc > 1 ? std::atol(argv[1]) : 100000;
    fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "ferrywell-pst-bench";
    size_t bodySize = argc > 3 ? size_t(std::atol(argv[3])) : 0;
    bool keep = argc > 4 && std::string(argv[4]) == "keep";
    std::string body(bodySize, 'b');
    fs::remove_all(work);
    fs::create_directories(work / "profile");
    setenv("FERRYWELL_PROFILE", (work / "profile").c_str(), 1);
    std::string pst = (work / "bench.pst").string();

    auto start = Clock::now();
    uint64_t size = 0;
    {
        store::Session session;
        session.Logon();
        session.CreateStore(pst, "Bench");
        store::Folder folder = session.EnsureFolderPath("\\\\Bench\\Contacts");
        store::Items items = folder.GetItems();
        for (long i = 0; i < count; ++i) {
            store::ContactItem c = items.Add("IPM.Contact");
            std::string n = std::to_string(i);
            for (const auto& info : mapi::ContactFields()) {
                if (info.key.type == mapi::PropType::Unicode) c.Set(info.field, std::string(info.name) + " Жанна Ελένη 山田 " + n);
                else if (info.key.type == mapi::PropType::SysTime) c.SetDate(info.field, 25000.0 + double(i % 20000));
            }
            if (bodySize) c.Set(mapi::ContactField::Body, body + n);
            c.SetSent(true);
            c.Save();
        }
        size = folder.GetStore().GetFileSize();
        session.Logoff();
    }
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    auto cpStart = Clock::now();
    std::string cmd = "cp '" + pst + "' '" + (work / "copy.pst").string() + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cp failed\n");
    double cpSeconds = std::chrono::duration<double>(Clock::now() - cpStart).count();

    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("contacts:        %ld\n", count);
    std::printf("write time:      %.2f s\n", seconds);
    std::printf("contacts/s:      %.0f\n", double(count) / seconds);
    std::printf("peak memory:     %.1f MB\n", double(ru.ru_maxrss) / 1024.0);
    std::printf("file size:       %.1f MB (%llu bytes)\n", double(size) / 1048576.0, (unsigned long long)size);
    std::printf("cp time:         %.2f s\n", cpSeconds);
    std::printf("write / cp:      %.1f x\n", seconds / cpSeconds);
    fs::remove(work / "copy.pst");
    if (!keep) fs::remove_all(work);
    return 0;
}
