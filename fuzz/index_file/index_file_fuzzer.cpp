// libFuzzer target: any bytes as the body of a kept index of a small
// database file must be refused, or give an index whose documents, views
// and values read as statuses or values, never a crash, a hang or a leak.
// FERRYWELL_DUMP_INDEX_SEED=FILE writes the body of the file's own index to
// FILE (the seed) and ends.
#include "index_file.h"

#include <base/unique_fd.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::string_view kDatabase =
    "<?xml version='1.0'?><database xmlns='http://www.lotus.com/dxl' title='T'>"
    "<view name='V'><code event='selection'><formula>SELECT Form = \"Person\"</formula></code>"
    "<column itemname='A' sort='ascending' categorized='true'/></view>"
    "<document form='Person'><noteinfo noteid='1f' unid='0123456789ABCDEF0123456789ABCDEF'>"
    "<modified><datetime>20240102T030405,06-00</datetime></modified></noteinfo>"
    "<item name='A'><textlist><text>x</text><text>y</text></textlist></item></document>"
    "<document form='Group'><item name='A'><text>z</text></item></document></database>";

// The database: a file of no name, so that nothing is left however the run
// ends, reached by its descriptor's path.
struct Database {
    base::UniqueFd fd{::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600)};
    std::string path = "/proc/self/fd/" + std::to_string(fd.get());
    notesapi::IndexFileHeader header;
    Database() {
        struct stat sb {};
        if (!fd || ::write(fd.get(), kDatabase.data(), kDatabase.size()) != ssize_t(kDatabase.size()) ||
            ::fstat(fd.get(), &sb) != 0 || !notesapi::DescribeDatabaseFile(fd.get(), path, sb, &header))
            std::abort();
    }
};

Database& TheDatabase() {
    static Database db;
    return db;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const Database& db = TheDatabase();
    if (const char* seed = std::getenv("FERRYWELL_DUMP_INDEX_SEED")) {
        std::shared_ptr<const notesapi::DatabaseIndex> index;
        if (notesapi::BuildIndex(db.path, &index)) std::abort();
        const std::string bytes = notesapi::EncodeIndex(db.header, *index);
        std::ofstream(seed, std::ios::binary) << bytes.substr(notesapi::FrameIndexBody(db.header, "").size());
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Database& db = TheDatabase();
    const std::string bytes =
        notesapi::FrameIndexBody(db.header, std::string_view(reinterpret_cast<const char*>(data), size));
    const auto index = notesapi::DecodeIndex(bytes, db.header, db.path);
    if (!index) return 0;
    std::vector<std::string> values;
    for (size_t d = 0; d < index->docs.size() && d < 64; ++d) {
        std::shared_ptr<const notesapi::DocumentItems> items;
        (void)index->LoadDocument(d, &items);
        for (const std::string& name : index->strings) (void)index->SummaryValues(d, name, &values);
    }
    for (size_t v = 0; v < index->views.size() && v < 16; ++v) (void)index->Entries(v);
    return 0;
}
