// Offsets and values of the on-disk structures of a Unicode PST file, named
// as in docs/pst-layout.md (which describes each of them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace pst {

using Nid = uint32_t;

// Whether reads check what tells damage (block checksums, a heap's
// signature), or read past it as readers that ignore them do.
enum class Checksums { Verify, Ignore };

// The file header at offset 0.
namespace header {
inline constexpr size_t kSize = 564;
inline constexpr size_t kMagic = 0;
inline constexpr char kMagicValue[] = "!BDN";
inline constexpr size_t kMagicSize = 4;
inline constexpr size_t kCrcPartial = 4;
inline constexpr size_t kMagicClient = 8;  // 0x4D53, "SM"
inline constexpr size_t kVersion = 10;
inline constexpr size_t kClientVersion = 12;
inline constexpr size_t kPlatformCreate = 14;
inline constexpr size_t kPlatformAccess = 15;
inline constexpr size_t kNextPageBid = 32;
inline constexpr size_t kUnique = 40;
inline constexpr size_t kNextNids = 44;  // kNextNidCount four-byte node ids, one a node type
inline constexpr size_t kNextNidCount = 32;
inline constexpr size_t kNextNidSize = 4;
inline constexpr size_t kRoot = 180;
inline constexpr size_t kFreeMap = 256;
inline constexpr size_t kFreeMapSize = 256;
inline constexpr size_t kSentinel = 512;
inline constexpr size_t kCryptMethod = 513;
inline constexpr size_t kNextBlockBid = 516;
inline constexpr size_t kCrcFull = 524;
// Both checksums start at kMagicClient.
inline constexpr size_t kCrcPartialSpan = 471;
inline constexpr size_t kCrcFullSpan = 516;

inline constexpr uint16_t kMagicClientValue = 0x4D53;
inline constexpr uint16_t kVersionUnicode = 23;
inline constexpr uint16_t kClientVersionValue = 19;
inline constexpr uint8_t kPlatformValue = 1;
inline constexpr uint8_t kFreeMapValue = 0xFF;
inline constexpr uint8_t kSentinelValue = 0x80;
inline constexpr uint8_t kCryptNone = 0;
}  // namespace header

// The root structure inside the header.
namespace root {
inline constexpr size_t kFileEof = 4;
inline constexpr size_t kLastAMap = 12;
inline constexpr size_t kFreeBytes = 20;
inline constexpr size_t kFreePageBytes = 28;
inline constexpr size_t kNodeTree = 36;   // block id, then offset
inline constexpr size_t kBlockTree = 52;  // block id, then offset
inline constexpr size_t kAMapValid = 68;
inline constexpr uint8_t kAMapValidValue = 0x02;
}  // namespace root

// A block reference inside the root and in branch entries.
namespace bref {
inline constexpr size_t kBid = 0;
inline constexpr size_t kIb = 8;
}  // namespace bref

// Page types (in the page trailer).
namespace ptype {
inline constexpr uint8_t kBlockTree = 0x80;
inline constexpr uint8_t kNodeTree = 0x81;
inline constexpr uint8_t kFreeMap = 0x82;
inline constexpr uint8_t kPageMap = 0x83;
inline constexpr uint8_t kAllocationMap = 0x84;
inline constexpr uint8_t kFreePageMap = 0x85;
inline constexpr uint8_t kDensityList = 0x86;
}  // namespace ptype

// A 512-byte page: content, then a 16-byte trailer.
namespace page {
inline constexpr size_t kContentSize = 496;
inline constexpr size_t kTrailer = 496;
inline constexpr size_t kType = 0;  // offsets inside the trailer
inline constexpr size_t kTypeRepeat = 1;
inline constexpr size_t kSignature = 2;
inline constexpr size_t kCrc = 4;
inline constexpr size_t kBid = 8;
// B-tree pages: entries, then their count and shape.
inline constexpr size_t kEntriesSize = 488;
inline constexpr size_t kEntryCount = 488;
inline constexpr size_t kEntryMax = 489;
inline constexpr size_t kEntrySize = 490;
inline constexpr size_t kLevel = 491;
}  // namespace page

// B-tree entries.
namespace branch {
inline constexpr size_t kSize = 24;
inline constexpr size_t kKey = 0;
inline constexpr size_t kChild = 8;  // block reference of the child page: id, then offset
}  // namespace branch
namespace nodeLeaf {
inline constexpr size_t kSize = 32;
inline constexpr size_t kNid = 0;
inline constexpr size_t kData = 8;
inline constexpr size_t kSub = 16;
inline constexpr size_t kParent = 24;
}  // namespace nodeLeaf
namespace blockLeaf {
inline constexpr size_t kSize = 24;
inline constexpr size_t kBid = 0;
inline constexpr size_t kIb = 8;
inline constexpr size_t kCb = 16;
inline constexpr size_t kRefs = 18;
}  // namespace blockLeaf

// A block: data, padding to 64 bytes, then a 16-byte trailer.
namespace block {
inline constexpr size_t kAlign = 64;
inline constexpr size_t kTrailerSize = 16;
inline constexpr size_t kCb = 0;  // offsets inside the trailer
inline constexpr size_t kSignature = 2;
inline constexpr size_t kCrc = 4;
inline constexpr size_t kBid = 8;
// Internal blocks: type, level, entry count, then their entries.
inline constexpr size_t kType = 0;
inline constexpr size_t kLevel = 1;
inline constexpr size_t kCount = 2;
inline constexpr size_t kEntries = 8;
inline constexpr uint8_t kTypeExtended = 0x01;
inline constexpr uint8_t kTypeSubnodes = 0x02;
// Block ids: the low two bits are flags, so ids advance in steps of four.
inline constexpr uint64_t kBidInternal = 0x02;  // set on extended and subnode blocks
inline constexpr uint64_t kBidFlags = 0x03;
inline constexpr uint64_t kBidStep = 4;
}  // namespace block
namespace xblock {
inline constexpr size_t kTotal = 4;  // bytes of data below
inline constexpr size_t kEntrySize = 8;
inline constexpr uint8_t kLevelExtended = 1;        // lists data blocks
inline constexpr uint8_t kLevelDoubleExtended = 2;  // lists extended blocks
}  // namespace xblock
namespace sblock {
inline constexpr uint8_t kLevelLeaf = 0;    // entries are sleaf
inline constexpr uint8_t kLevelBranch = 1;  // entries are sbranch
}  // namespace sblock
namespace sleaf {
inline constexpr size_t kSize = 24;
inline constexpr size_t kNid = 0;
inline constexpr size_t kData = 8;
inline constexpr size_t kSub = 16;
}  // namespace sleaf
namespace sbranch {
inline constexpr size_t kSize = 16;
inline constexpr size_t kNid = 0;
inline constexpr size_t kBlock = 8;
}  // namespace sbranch

// Heap-on-node headers and page map.
namespace hn {
inline constexpr size_t kPageMap = 0;  // offset of the page map, in every header
inline constexpr size_t kSignature = 2;
inline constexpr size_t kClientSignature = 3;
inline constexpr size_t kUserRoot = 4;
inline constexpr size_t kFillLevels = 8;
inline constexpr size_t kFirstHeaderSize = 12;
inline constexpr size_t kPageHeaderSize = 2;
inline constexpr size_t kBitmapFillLevels = 2;
inline constexpr size_t kBitmapHeaderSize = 66;
inline constexpr size_t kMapCount = 0;  // offsets inside the page map
inline constexpr size_t kMapFree = 2;
inline constexpr size_t kMapOffsets = 4;
inline constexpr uint8_t kSignatureValue = 0xEC;
inline constexpr uint8_t kClientPropertyContext = 0xBC;
inline constexpr uint8_t kClientTableContext = 0x7C;
// A heap id: block index << 16 | allocation index << 5, low five bits 0
// (which tells it from a subnode id, whose type bits are nid::kTypeLtp).
inline constexpr unsigned kHidBlockShift = 16;
inline constexpr unsigned kHidIndexShift = 5;
inline constexpr uint32_t kHidIndexMask = 0x7FF;
inline constexpr uint32_t kHidTypeMask = 0x1F;
inline constexpr size_t kMaxAllocations = 2047;  // in one heap block
}  // namespace hn

// B-tree-on-heap header.
namespace bth {
inline constexpr size_t kSize = 8;
inline constexpr size_t kType = 0;
inline constexpr size_t kKeySize = 1;
inline constexpr size_t kEntrySize = 2;
inline constexpr size_t kLevels = 3;
inline constexpr size_t kRoot = 4;
inline constexpr uint8_t kTypeValue = 0xB5;
inline constexpr size_t kIndexHidSize = 4;  // index records: key, then the heap id of the level below
}  // namespace bth

// Property context records: a 2-byte property id, then a 6-byte entry.
namespace pc {
inline constexpr uint8_t kKeySize = 2;
inline constexpr uint8_t kEntrySize = 6;
inline constexpr size_t kRecordSize = kKeySize + kEntrySize;
inline constexpr size_t kId = 0;
inline constexpr size_t kType = 2;
inline constexpr size_t kValue = 4;  // inline value, heap id or subnode id
inline constexpr size_t kValueSize = 4;
}  // namespace pc

// Table context header and its column descriptions.
namespace tc {
inline constexpr size_t kType = 0;
inline constexpr size_t kColumnCount = 1;
inline constexpr size_t kEnd4 = 2;  // end of the 8- and 4-byte cells
inline constexpr size_t kEnd2 = 4;
inline constexpr size_t kEnd1 = 6;  // where the presence bitmap starts
inline constexpr size_t kRowSize = 8;
inline constexpr size_t kRowIndex = 10;
inline constexpr size_t kRows = 14;
inline constexpr size_t kIndex = 18;
inline constexpr size_t kColumns = 22;
inline constexpr uint8_t kTypeValue = 0x7C;
// The row index: a B-tree on the heap from row id to row number.
inline constexpr uint8_t kRowIndexKeySize = 4;
inline constexpr uint8_t kRowIndexEntrySize = 4;
}  // namespace tc
// A row: row id, row version, the cells, then the presence bitmap.
namespace tcRow {
inline constexpr size_t kId = 0;
inline constexpr size_t kVersion = 4;
inline constexpr size_t kCells = 8;
}  // namespace tcRow
namespace tcColumn {
inline constexpr size_t kSize = 8;
inline constexpr size_t kTag = 0;
inline constexpr size_t kOffset = 4;
inline constexpr size_t kCellSize = 6;
inline constexpr size_t kBit = 7;
}  // namespace tcColumn

// The name-to-id map's streams (properties of node nid::kNameToIdMap).
// The stream ids, GUID indexes and the entry size are mapi::nameid's.
namespace nameMap {
inline constexpr uint16_t kBucketCountId = 0x0001;
inline constexpr uint16_t kBucketCount = 251;
inline constexpr size_t kGuidSize = 16;
// Entries (in the entry stream and the buckets): long id or string offset,
// GUID index << 1 | is-string, property index.
inline constexpr size_t kEntryKey = 0;
inline constexpr size_t kEntryGuidAndKind = 4;
inline constexpr size_t kEntryIndex = 6;
// String stream entries: byte length, then UTF-16LE text padded to 4 bytes.
inline constexpr size_t kStringLength = 4;
inline constexpr size_t kStringAlign = 4;
}  // namespace nameMap

// An entry id of a folder or item: flags, the store's record key, node id.
namespace entryId {
inline constexpr size_t kSize = 24;
inline constexpr size_t kFlags = 0;
inline constexpr size_t kProviderUid = 4;
inline constexpr size_t kProviderUidSize = 16;
inline constexpr size_t kNid = 20;
}  // namespace entryId

// Node ids: the low five bits are the type, the rest an index.
namespace nid {
inline constexpr Nid kTypeMask = 0x1F;
inline constexpr unsigned kIndexShift = 5;
inline constexpr Nid kIndexStep = Nid(1) << kIndexShift;
inline constexpr Nid kFirstFreeIndex = 0x400;  // lower indexes are the well-known nodes
inline constexpr uint8_t kTypeFolder = 0x02;
inline constexpr uint8_t kTypeMessage = 0x04;
inline constexpr uint8_t kTypeAttachment = 0x05;
inline constexpr uint8_t kTypeHierarchyTable = 0x0D;
inline constexpr uint8_t kTypeContentsTable = 0x0E;
inline constexpr uint8_t kTypeAssocContentsTable = 0x0F;
inline constexpr uint8_t kTypeLtp = 0x1F;  // subnodes of a property or table context
// Node ids every store has.
inline constexpr Nid kMessageStore = 0x21;
inline constexpr Nid kNameToIdMap = 0x61;
inline constexpr Nid kRootFolder = 0x122;
inline constexpr Nid kInternal1 = 0x1E1;
inline constexpr Nid kInternal2 = 0x201;
inline constexpr Nid kHierarchyTemplate = 0x60D;
inline constexpr Nid kContentsTemplate = 0x60E;
inline constexpr Nid kAssocContentsTemplate = 0x60F;
inline constexpr Nid kSearchContentsTemplate = 0x610;
inline constexpr Nid kAttachmentTemplate = 0x671;
inline constexpr Nid kRecipientTemplate = 0x692;
inline constexpr Nid kIpmSubtree = 0x8022;
inline constexpr Nid kSearchRoot = 0x8042;
inline constexpr Nid kDeletedItems = 0x8062;
}  // namespace nid

}  // namespace pst
