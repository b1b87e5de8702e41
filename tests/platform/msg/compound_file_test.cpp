#include "compound_file_crafting.h"

#include <msg/compound_file.h>

#include <msg_reader.h>

#include <gtest/gtest.h>

using namespace msg;
using testsupport::Quote;

namespace {

std::string Pattern(size_t n, int seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = char((i * 31 + seed) & 0xFF);
    return s;
}

uint32_t Crc32(const std::string& data) {
    uint32_t c = 0xFFFFFFFF;
    for (unsigned char b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

bool SameTree(const Storage& a, const Storage& b) {
    if (a.streams != b.streams || a.storages.size() != b.storages.size()) return false;
    for (const auto& [name, sub] : a.storages) {
        auto it = b.storages.find(name);
        if (it == b.storages.end() || !SameTree(sub, it->second)) return false;
    }
    return true;
}

// Lists every stream as "path size sha" through olefile, the independent reader.
const char* kOlefileList = R"(
import sys, zlib, olefile
ole = olefile.OleFileIO(sys.argv[1])
for entry in sorted(ole.listdir(streams=True, storages=False)):
    data = ole.openstream(entry).read()
    print('/'.join(entry), len(data), '%08x' % zlib.crc32(data))
)";

std::string CrcText(const std::string& data) {
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", unsigned(Crc32(data)));
    return crc;
}

void ListTree(const Storage& s, const std::string& prefix, std::vector<std::string>& out) {
    for (const auto& [name, data] : s.streams) out.push_back(prefix + name + " " + std::to_string(data.size()) + " " + CrcText(data));
    for (const auto& [name, sub] : s.storages) ListTree(sub, prefix + name + "/", out);
}

}  // namespace

TEST(CompoundFile, RoundTripsTreesOfEveryShapeAndOlefileAgrees) {
    struct Case {
        const char* what;
        Storage tree;
    };
    std::vector<Case> cases;
    cases.push_back({"empty root", {}});
    {
        Storage s;
        s.streams["a"] = "x";
        s.streams["empty"] = "";
        s.streams["just below the mini cutoff"] = Pattern(4095, 1);
        s.streams["at the cutoff"] = Pattern(4096, 2);
        s.streams["several sectors"] = Pattern(5000, 3);
        cases.push_back({"streams around the mini stream cutoff", s});
    }
    {
        Storage s;
        for (int i = 0; i < 40; ++i) s.streams["__substg1.0_" + std::to_string(3000 + i) + "001F"] = Pattern(10 + i * 7, i);
        s.storages["__nameid_version1.0"].streams["__substg1.0_00020102"] = Pattern(16, 9);
        s.storages["__nameid_version1.0"].storages["deeper"].streams["leaf"] = "leaf";
        s.storages["Zo\xC3\xAB \xD0\x96"].streams["\xE6\x9D\xB1"] = "non-ASCII names";
        cases.push_back({"many siblings and nested storages", s});
    }
    {
        Storage s;
        s.streams["big"] = Pattern(8 * 1024 * 1024, 5);  // needs more FAT sectors than the header lists
        cases.push_back({"FAT beyond the header's slots", s});
    }
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        std::string bytes = WriteCompoundFile(c.tree);
        EXPECT_EQ(bytes.size() % 512, 0u) << c.what;
        EXPECT_TRUE(SameTree(ReadCompoundFile(bytes), c.tree)) << c.what;
        std::string file = dir / "t.cfb";
        std::ofstream(file, std::ios::binary) << bytes;
        auto r = testsupport::RunPython(kOlefileList, Quote(file));
        ASSERT_EQ(r.exitCode, 0) << c.what << "\n" << r.out;
        std::vector<std::string> expected;
        ListTree(c.tree, "", expected);
        std::sort(expected.begin(), expected.end());
        std::string joined;
        for (const auto& line : expected) joined += line + "\n";
        std::vector<std::string> got;
        std::stringstream ss(r.out);
        for (std::string line; std::getline(ss, line);) got.push_back(line);
        std::sort(got.begin(), got.end());
        std::string gotJoined;
        for (const auto& line : got) gotJoined += line + "\n";
        EXPECT_EQ(gotJoined, joined) << c.what;
    }
}

// Version 4 (4096-byte sectors, 64-bit stream sizes) is read but never
// written: a file crafted by hand, which olefile confirms, reads back whole.
TEST(CompoundFile, ReadsVersion4Files) {
    const std::string small = Pattern(300, 4), large = Pattern(9000, 8);
    const std::string bytes = cfbcraft::Version4CompoundFile(small, large);
    testsupport::TempDir dir;
    const std::string file = dir / "v4.cfb";
    std::ofstream(file, std::ios::binary) << bytes;
    auto r = testsupport::RunPython(kOlefileList, Quote(file));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "large 9000 " + CrcText(large) + "\nsmall 300 " + CrcText(small) + "\n");

    Storage expected;
    expected.streams["small"] = small;
    expected.streams["large"] = large;
    EXPECT_TRUE(SameTree(ReadCompoundFile(bytes), expected));
    // The high half of a size counts in version 4: a stream of 4 GiB and more
    // is larger than the file.
    std::string huge = bytes;
    huge[2 * 4096 + 128 + 0x7C] = 1;
    EXPECT_THROW(ReadCompoundFile(huge), FormatError);
}

// A stream made as the file is written gives the file its bytes would
// give, in the mini stream or in sectors; one that makes more or fewer bytes
// than it said is refused.
TEST(CompoundFile, MadeStreamsAreWrittenAsTheirBytesWouldBe) {
    const std::string small = Pattern(700, 6), large = Pattern(9001, 7);
    auto inPieces = [](const std::string& bytes) {
        return [bytes](const std::function<void(std::string_view)>& write) {
            for (size_t at = 0; at < bytes.size(); at += 1000) write(std::string_view(bytes).substr(at, 1000));
        };
    };
    Storage plain, made;
    plain.streams["small"] = made.streams["small"] = "kept";
    plain.storages["s"].streams["a"] = small;
    plain.streams["b"] = large;
    made.storages["s"].madeStreams["a"] = {small.size(), inPieces(small)};
    made.madeStreams["b"] = {large.size(), inPieces(large)};
    const std::string madeFile = WriteCompoundFile(made);
    EXPECT_TRUE(madeFile == WriteCompoundFile(plain));  // byte for byte; not printed
    EXPECT_TRUE(SameTree(ReadCompoundFile(madeFile), plain));
    for (size_t said : {large.size() - 1, large.size() + 1}) {
        Storage wrong;
        wrong.madeStreams["b"] = {said, inPieces(large)};
        EXPECT_THROW(WriteCompoundFile(wrong), std::invalid_argument) << said;
    }
}

TEST(CompoundFile, RejectsNamesThatDoNotFit) {
    for (const char* name : {"", "0123456789012345678901234567890123", "a/b"}) {
        Storage s;
        s.streams[name] = "x";
        EXPECT_THROW(WriteCompoundFile(s), std::invalid_argument) << name;
    }
}

TEST(CompoundFile, DamagedFilesGiveFormatErrors) {
    Storage s;
    s.streams["small"] = "abc";
    s.streams["large"] = Pattern(9000, 7);
    const std::string good = WriteCompoundFile(s);
    auto patched = [&](size_t at, uint32_t v) {
        std::string b = good;
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
        return b;
    };
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"empty", ""},
        {"not a compound file", std::string(1024, 'x')},
        {"truncated after the header", good.substr(0, 600)},
        {"FAT sector count beyond the file", patched(0x2C, 100000)},
        {"directory start beyond the file", patched(0x30, 5000)},
        {"FAT entry pointing at itself", patched(512 + 4 * 2, 2)},
        {"first FAT sector out of range", patched(0x4C, 99999)},
    };
    for (const auto& c : cases) EXPECT_THROW(ReadCompoundFile(c.bytes), FormatError) << c.what;
}
