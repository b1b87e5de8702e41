// Compound files crafted to make a reader read far more than the file holds:
// refused at once, in memory about the file's size.
#include "compound_file_crafting.h"

#include <msg/compound_file.h>
#include <msg/msg_file.h>

#include <gtest/gtest.h>

#include "growth.h"

using namespace msg;

namespace {

// The directory entry named `name` (ASCII) in a file the writer made.
size_t EntryOffset(const std::string& file, const std::string& name) {
    auto get32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(file[at + i]);
        return v;
    };
    size_t dir = (size_t(get32(0x30)) + 1) * 512;  // the writer's directory is one run of sectors
    for (size_t at = dir; at + 128 <= file.size(); at += 128) {
        std::string entry;
        for (size_t k = 0; k < 64 && file[at + k]; k += 2) entry += file[at + k];
        if (entry == name) return at;
    }
    throw std::logic_error("no entry " + name);
}

TEST(CompoundFileHostile, StreamsSharingSectorsAreRefused) {
    // Sanity of the crafted layout: one stream on the chain reads back.
    Storage one = ReadCompoundFile(cfbcraft::SharedChainCompoundFile(1, 16));
    ASSERT_EQ(one.streams.size(), 1u);
    EXPECT_EQ(one.streams.begin()->second.size(), 16u * 512);
    EXPECT_THROW(ReadCompoundFile(cfbcraft::SharedChainCompoundFile(2, 16)), FormatError);

    // 2,000 streams on one 1 MiB chain: 1.3 MB that would read as 2 GB. It
    // is refused in about the time a sound file of its size takes to read.
    const std::string big = cfbcraft::SharedChainCompoundFile(2000, 2048);
    EXPECT_THROW(DecodeMessage(big), FormatError);
    Storage sound;
    sound.streams["large"] = std::string(big.size(), 's');
    const std::string soundFile = WriteCompoundFile(sound);
    const double refusing = testsupport::BestProcessSeconds([&] { EXPECT_THROW(DecodeMessage(big), FormatError); });
    const double reading = testsupport::BestProcessSeconds([&] { EXPECT_EQ(ReadCompoundFile(soundFile).streams.size(), 1u); });
    EXPECT_LT(refusing, 20 * reading) << refusing << " s to refuse, " << reading << " s to read";

    // The same in the mini stream, and a stream running into the directory.
    Storage s;
    s.streams["a"] = std::string(100, 'a');
    s.streams["b"] = std::string(100, 'b');
    s.streams["large"] = std::string(5000, 'l');
    const std::string good = WriteCompoundFile(s);
    ASSERT_EQ(ReadCompoundFile(good).streams.size(), 3u);
    auto withStart = [&](const std::string& name, const std::string& bytes4) {
        std::string b = good;
        b.replace(EntryOffset(b, name) + 0x74, 4, bytes4);
        return b;
    };
    const size_t a = EntryOffset(good, "a");
    EXPECT_THROW(ReadCompoundFile(withStart("b", good.substr(a + 0x74, 4))), FormatError);
    EXPECT_THROW(ReadCompoundFile(withStart("large", good.substr(0x30, 4))), FormatError);
}

}  // namespace
