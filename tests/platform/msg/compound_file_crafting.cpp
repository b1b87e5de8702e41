#include "compound_file_crafting.h"

#include <base/little_endian.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace cfbcraft {

namespace {

constexpr uint32_t kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD, kFree = 0xFFFFFFFF, kNone = 0xFFFFFFFF;
constexpr size_t kSector = 512, kEntry = 128;

using base::Put16;
using base::Put32;

void PutEntry(std::string& dir, size_t index, const std::string& name, uint8_t type, uint32_t left, uint32_t right,
              uint32_t child, uint32_t start, uint32_t size) {
    size_t at = index * kEntry;
    for (size_t i = 0; i < name.size(); ++i) Put16(dir, at + 2 * i, uint16_t(name[i]));
    Put16(dir, at + 0x40, uint16_t(2 * (name.size() + 1)));
    dir[at + 0x42] = char(type);
    dir[at + 0x43] = 1;  // black
    Put32(dir, at + 0x44, left);
    Put32(dir, at + 0x48, right);
    Put32(dir, at + 0x4C, child);
    Put32(dir, at + 0x74, start);
    Put32(dir, at + 0x78, size);
}

// A header of `sectorSize` bytes (the first sector) whose FAT sectors run
// from fatStart on; no DIFAT sectors.
std::string Header(uint16_t major, size_t sectorSize, size_t fatStart, size_t fatSectors, uint32_t dirStart,
                   uint32_t miniFatStart, uint32_t miniFatSectors) {
    std::string header(sectorSize, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    Put16(header, 0x18, 0x3E);
    Put16(header, 0x1A, major);
    Put16(header, 0x1C, 0xFFFE);
    Put16(header, 0x1E, major == 3 ? 9 : 12);
    Put16(header, 0x20, 6);
    if (major == 4) Put32(header, 0x28, 1);  // directory sectors
    Put32(header, 0x2C, uint32_t(fatSectors));
    Put32(header, 0x30, dirStart);
    Put32(header, 0x38, 4096);
    Put32(header, 0x3C, miniFatStart);
    Put32(header, 0x40, miniFatSectors);
    Put32(header, 0x44, kEnd);
    for (size_t i = 0; i < 109; ++i) Put32(header, 0x4C + 4 * i, i < fatSectors ? uint32_t(fatStart + i) : kFree);
    return header;
}

}  // namespace

std::string SharedChainCompoundFile(size_t streams, size_t chainSectors) {
    const size_t entries = streams + 1;
    const size_t dirSectors = (entries * kEntry + kSector - 1) / kSector;
    size_t fatSectors = 1;
    while (fatSectors * (kSector / 4) < chainSectors + dirSectors + fatSectors) ++fatSectors;
    if (fatSectors > 109) throw std::invalid_argument("crafting: file too large for the header's FAT list");
    const size_t total = chainSectors + dirSectors + fatSectors;

    std::vector<uint32_t> fat(fatSectors * (kSector / 4), kFree);
    for (size_t s = 0; s < chainSectors; ++s) fat[s] = s + 1 < chainSectors ? uint32_t(s + 1) : kEnd;
    const size_t dirStart = chainSectors;
    for (size_t s = dirStart; s < dirStart + dirSectors; ++s) fat[s] = s + 1 < dirStart + dirSectors ? uint32_t(s + 1) : kEnd;
    const size_t fatStart = dirStart + dirSectors;
    for (size_t s = fatStart; s < total; ++s) fat[s] = kFatSect;

    const std::string header = Header(3, kSector, fatStart, fatSectors, uint32_t(dirStart), kEnd, 0);

    // Streams form a balanced tree (entry j's children are 2j+1 and 2j+2),
    // so the reader's depth limit is no obstacle.
    std::string dir(dirSectors * kSector, '\0');
    for (size_t i = 0; i < dirSectors * kSector / kEntry; ++i) PutEntry(dir, i, "", 0, kNone, kNone, kNone, kEnd, 0);
    PutEntry(dir, 0, "Root Entry", 5, kNone, kNone, streams ? 1 : kNone, kEnd, 0);
    auto link = [&](size_t j) { return j < streams ? uint32_t(j + 1) : kNone; };
    for (size_t j = 0; j < streams; ++j)
        PutEntry(dir, j + 1, "s" + std::to_string(j), 2, link(2 * j + 1), link(2 * j + 2), kNone, 0,
                 uint32_t(chainSectors * kSector));

    std::string out = header;
    for (size_t s = 0; s < chainSectors; ++s) out += std::string(kSector, char('a' + s % 26));
    out += dir;
    std::string fatBytes(fat.size() * 4, '\0');
    for (size_t i = 0; i < fat.size(); ++i) Put32(fatBytes, 4 * i, fat[i]);
    out += fatBytes;
    return out;
}

std::string Version4CompoundFile(const std::string& small, const std::string& large) {
    constexpr size_t kBig = 4096, kMini = 64;
    if (small.empty() || small.size() > kBig || large.size() < 4096) throw std::invalid_argument("crafting: sizes");
    // Sectors: 0 FAT, 1 directory, 2 mini FAT, 3 mini stream, 4... "large".
    const size_t largeSectors = (large.size() + kBig - 1) / kBig;
    const size_t miniSectors = (small.size() + kMini - 1) / kMini;
    const std::string header = Header(4, kBig, 0, 1, 1, 2, 1);

    std::string fat(kBig, '\xFF');
    Put32(fat, 0, kFatSect);
    for (size_t s : {1, 2, 3}) Put32(fat, 4 * s, kEnd);
    for (size_t s = 0; s < largeSectors; ++s) Put32(fat, 4 * (4 + s), s + 1 < largeSectors ? uint32_t(5 + s) : kEnd);

    std::string dir(kBig, '\0');
    for (size_t i = 0; i < kBig / kEntry; ++i) PutEntry(dir, i, "", 0, kNone, kNone, kNone, 0, 0);
    PutEntry(dir, 0, "Root Entry", 5, kNone, kNone, 1, 3, uint32_t(miniSectors * kMini));
    PutEntry(dir, 1, "large", 2, kNone, 2, kNone, 4, uint32_t(large.size()));
    PutEntry(dir, 2, "small", 2, kNone, kNone, kNone, 0, uint32_t(small.size()));

    std::string miniFat(kBig, '\xFF');
    for (size_t s = 0; s < miniSectors; ++s) Put32(miniFat, 4 * s, s + 1 < miniSectors ? uint32_t(s + 1) : kEnd);
    std::string miniStream = small;
    miniStream.resize(kBig, '\0');
    std::string largeSectorsBytes = large;
    largeSectorsBytes.resize(largeSectors * kBig, '\0');
    return header + fat + dir + miniFat + miniStream + largeSectorsBytes;
}

}  // namespace cfbcraft
