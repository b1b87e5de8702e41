// The file layer's read window: small reads see every write made before
// them, whether it is still buffered or already in the file, and a read past
// the end is refused.
#include "test_files.h"

#include "file_io.h"

#include <pst/error.h>

#include <gtest/gtest.h>

#include <memory>

using namespace testsupport;

namespace {

// A new file of size bytes of value, written out.
std::unique_ptr<pst::File> Filled(const std::string& path, size_t size, uint8_t value) {
    auto f = std::make_unique<pst::File>(path, pst::File::Mode::CreateNew);
    const pst::Bytes data(size, value);
    f->WriteAt(0, data.data(), data.size());
    f->Flush();
    return f;
}

uint8_t At(const pst::File& f, uint64_t offset) {
    uint8_t b = 0;
    f.ReadAt(offset, &b, 1);
    return b;
}

TEST(PstFileIo, SmallReadsSeeWritesMadeAfterTheWindowWasRead) {
    TempDir dir;
    auto file = Filled(dir / "window.bin", 200000, 0);
    pst::File& f = *file;
    EXPECT_EQ(At(f, 100), 0);  // the window now holds the start of the file
    const uint8_t one = 1, two = 2, three = 3;
    f.WriteAt(100, &one, 1);     // buffered, inside the window
    EXPECT_EQ(At(f, 100), 1);
    f.WriteAt(60000, &two, 1);   // buffered, elsewhere in the window
    EXPECT_EQ(At(f, 100), 1);
    EXPECT_EQ(At(f, 60000), 2);
    f.Flush();
    f.WriteAt(199999, &three, 1);  // at the end, read from another window
    EXPECT_EQ(At(f, 199999), 3);
    EXPECT_EQ(At(f, 100), 1);
    // A large read bypasses the window and agrees with it.
    pst::Bytes big(100000);
    f.ReadAt(100000, big.data(), big.size());
    EXPECT_EQ(big.back(), 3);
}

TEST(PstFileIo, ReadsPastTheEndAreRefusedAfterTheFileShrinks) {
    TempDir dir;
    auto file = Filled(dir / "short.bin", 5000, 7);
    pst::File& f = *file;
    uint8_t b[10];
    f.ReadAt(4990, b, 10);
    EXPECT_EQ(b[9], 7);
    EXPECT_THROW(f.ReadAt(4995, b, 10), pst::PstError);
    f.Truncate(3000);
    EXPECT_THROW(f.ReadAt(2995, b, 10), pst::PstError);
    EXPECT_EQ(At(f, 2999), 7);
}

}  // namespace
