// Offsets and values of the on-disk structures of compound files and of the
// message files inside them, named as in docs/msg-layout.md (which describes
// each of them). All integers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace msg {

namespace cfb {

// Sector numbers that are not sectors.
inline constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;  // the last number a sector can have
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;     // FAT value of a DIFAT sector
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;     // FAT value of a FAT sector
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;  // no sibling or child entry

// The sizes the writer uses (version 3); the reader takes what the header says.
inline constexpr uint32_t kSectorSize = 512;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kIdsPerSector = kSectorSize / 4;  // FAT and DIFAT sectors
inline constexpr uint32_t kMiniStreamCutoff = 4096;        // smaller streams live in the mini stream

// The header at offset 0. It fills the first sector, so sector n starts at
// (n + 1) * sector size.
namespace header {
inline constexpr size_t kSize = 512;
inline constexpr size_t kSignature = 0x00;
inline constexpr std::string_view kSignatureValue{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
inline constexpr size_t kMinorVersion = 0x18;
inline constexpr size_t kMajorVersion = 0x1A;
inline constexpr size_t kByteOrder = 0x1C;
inline constexpr size_t kSectorShift = 0x1E;
inline constexpr size_t kMiniSectorShift = 0x20;
inline constexpr size_t kFatSectors = 0x2C;
inline constexpr size_t kDirStart = 0x30;
inline constexpr size_t kMiniStreamCutoff = 0x38;
inline constexpr size_t kMiniFatStart = 0x3C;
inline constexpr size_t kMiniFatSectors = 0x40;
inline constexpr size_t kDifatStart = 0x44;
inline constexpr size_t kDifatSectors = 0x48;
inline constexpr size_t kDifat = 0x4C;  // the first kDifatSlots FAT sector numbers
inline constexpr uint32_t kDifatSlots = 109;

inline constexpr uint16_t kMinorVersionValue = 0x003E;
inline constexpr uint16_t kVersion3 = 3;  // 512-byte sectors
inline constexpr uint16_t kVersion4 = 4;  // 4096-byte sectors
inline constexpr uint16_t kByteOrderValue = 0xFFFE;
inline constexpr uint16_t kSectorShift3 = 9;
inline constexpr uint16_t kSectorShift4 = 12;
inline constexpr uint16_t kMiniSectorShiftValue = 6;
}  // namespace header

// A DIFAT sector: FAT sector numbers, then the number of the next DIFAT sector.
inline constexpr uint32_t kDifatIdsPerSector = kIdsPerSector - 1;

// A directory entry; the directory is a chain of sectors holding them.
namespace dirEntry {
inline constexpr size_t kSize = 128;
inline constexpr size_t kName = 0x00;  // UTF-16LE, null-terminated
inline constexpr size_t kNameBytes = 64;
inline constexpr size_t kNameMaxUnits = 31;  // code units before the terminating null
inline constexpr size_t kNameLength = 0x40;  // bytes, the null included
inline constexpr size_t kType = 0x42;
inline constexpr size_t kColor = 0x43;
inline constexpr size_t kLeft = 0x44;
inline constexpr size_t kRight = 0x48;
inline constexpr size_t kChild = 0x4C;
inline constexpr size_t kStart = 0x74;  // first sector, or first mini sector below the cutoff
inline constexpr size_t kStreamSize = 0x78;  // 8 bytes; version 3 readers take the low 4

inline constexpr uint8_t kTypeUnused = 0;
inline constexpr uint8_t kTypeStorage = 1;
inline constexpr uint8_t kTypeStream = 2;
inline constexpr uint8_t kTypeRoot = 5;
inline constexpr uint8_t kBlack = 1;
}  // namespace dirEntry

}  // namespace cfb

// The property stream of a message: a header, then one entry a property.
namespace propStream {
inline constexpr const char* kStream = "__properties_version1.0";
inline constexpr size_t kTopLevelHeaderSize = 32;  // a message that is not embedded in another
inline constexpr size_t kNextAttachmentId = 12;    // in the top-level header
inline constexpr size_t kAttachmentCount = 20;
inline constexpr size_t kAttachmentHeaderSize = 8;  // an attachment's stream
inline constexpr size_t kEntrySize = 16;
inline constexpr size_t kTag = 0;    // property id << 16 | type
inline constexpr size_t kFlags = 4;
inline constexpr size_t kValue = 8;  // fixed-size values, or the byte count of a stream value
inline constexpr uint32_t kFlagsReadWrite = 0x2 | 0x4;  // PROPATTR_READABLE | PROPATTR_WRITABLE
}  // namespace propStream

// "__substg1.0_" followed by the property id and type as eight upper-case hex
// digits: the stream that holds a variable-length value.
inline std::string SubstgName(uint16_t id, uint16_t type) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "__substg1.0_%04X%04X", unsigned(id), unsigned(type));
    return buf;
}

// The stream of one value of a multi-valued property: SubstgName + "-" and
// the value's index as eight upper-case hex digits.
inline std::string ValueStreamName(uint16_t id, uint16_t type, uint32_t index) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "-%08X", unsigned(index));
    return SubstgName(id, type) + buf;
}

// The storage of the index'th attachment.
inline std::string AttachmentStorageName(uint32_t index) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "__attach_version1.0_#%08X", unsigned(index));
    return buf;
}

// The named property mapping storage. Its stream ids and GUID indexes are
// mapi::nameid's, which the PST's name map shares.
namespace nameEntry {
inline constexpr const char* kStorage = "__nameid_version1.0";
inline constexpr size_t kNameOrOffset = 0;  // the LID, or a string name's offset
inline constexpr size_t kIndexAndKind = 4;  // index << 16 | GUID index << 1 | kind
inline constexpr uint32_t kHashBuckets = 0x1F;
}  // namespace nameEntry

}  // namespace msg
