// pst_parts_check EXPECTED PST...: reads every contact of the given PST
// files (the parts of one split export) and checks that each e-mail address
// appears exactly once and that EXPECTED contacts were found in all. The
// generated databases give every contact an address of its own, so a contact
// missing or written twice shows here. Prints one line; exit 1 when it fails.
#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pst_parts_check EXPECTED PST...\n");
        return 2;
    }
    const unsigned long long expected = std::strtoull(argv[1], nullptr, 10);
    const mapi::PropertyKey email = mapi::PidLidEmail1EmailAddress.Key();
    std::unordered_set<std::string> seen;
    unsigned long long items = 0, twice = 0, without = 0;
    for (int i = 2; i < argc; ++i) {
        auto file = pst::PstFile::Open(argv[i], false);
        std::vector<pst::Nid> todo{file->IpmSubtree()};
        while (!todo.empty()) {
            const pst::Nid folder = todo.back();
            todo.pop_back();
            for (const auto& sub : file->Subfolders(folder)) todo.push_back(sub.nid);
            file->ReadEachMessage(folder, {email}, [&](pst::Nid, const mapi::PropertyBag* bag) {
                ++items;
                const std::optional<std::string> value = bag ? bag->GetString(email) : std::nullopt;
                if (!value) ++without;
                else if (!seen.insert(*value).second) ++twice;
                return true;
            });
        }
    }
    const bool ok = items == expected && twice == 0 && without == 0;
    std::printf("%llu contacts in %d parts (expected %llu), %llu twice, %llu without an address: %s\n", items, argc - 2,
                expected, twice, without, ok ? "every contact once" : "FAILED");
    return ok ? 0 : 1;
}
