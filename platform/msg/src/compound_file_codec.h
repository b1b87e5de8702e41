// The compound file header and directory entries in memory, and their byte
// form: the one place the reader and the writer take them from.
#pragma once

#include "layout.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace msg::cfb {

struct Header {
    uint16_t majorVersion = header::kVersion3;
    uint16_t sectorShift = header::kSectorShift3;
    uint16_t miniSectorShift = header::kMiniSectorShiftValue;
    uint32_t fatSectors = 0;
    uint32_t dirStart = kEndOfChain;
    uint32_t miniStreamCutoff = kMiniStreamCutoff;
    uint32_t miniFatStart = kEndOfChain;
    uint32_t miniFatSectors = 0;
    uint32_t difatStart = kEndOfChain;
    uint32_t difatSectors = 0;
    std::array<uint32_t, header::kDifatSlots> difat;  // the first FAT sectors

    Header() { difat.fill(kFreeSect); }
};

// An unused entry is the default: no name, no links.
struct DirEntry {
    std::u16string name;
    uint8_t type = dirEntry::kTypeUnused;
    uint8_t color = 0;
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    uint32_t start = 0;
    uint64_t size = 0;
};

bool HasSignature(std::string_view file);
// header::kSize bytes; the fields a header holds besides Header's are fixed.
std::string EncodeHeader(const Header& h);
// Takes the fields as they are; the caller checks them. Needs header::kSize bytes.
Header DecodeHeader(std::string_view file);

// Writes dirEntry::kSize bytes at out[at]. The name must fit (kNameMaxUnits).
void EncodeDirEntry(const DirEntry& e, std::string& out, size_t at);
// Reads dirEntry::kSize bytes: the name up to its null or its length field,
// never beyond kNameBytes; the size's high half only in version 4.
DirEntry DecodeDirEntry(std::string_view entry, uint16_t majorVersion);

}  // namespace msg::cfb
