#include "compound_file_codec.h"

#include <base/little_endian.h>

namespace msg::cfb {

bool HasSignature(std::string_view file) {
    return file.substr(header::kSignature, header::kSignatureValue.size()) == header::kSignatureValue;
}

std::string EncodeHeader(const Header& h) {
    std::string out(header::kSize, '\0');
    out.replace(header::kSignature, header::kSignatureValue.size(), header::kSignatureValue);
    base::Put16(out, header::kMinorVersion, header::kMinorVersionValue);
    base::Put16(out, header::kMajorVersion, h.majorVersion);
    base::Put16(out, header::kByteOrder, header::kByteOrderValue);
    base::Put16(out, header::kSectorShift, h.sectorShift);
    base::Put16(out, header::kMiniSectorShift, h.miniSectorShift);
    base::Put32(out, header::kFatSectors, h.fatSectors);
    base::Put32(out, header::kDirStart, h.dirStart);
    base::Put32(out, header::kMiniStreamCutoff, h.miniStreamCutoff);
    base::Put32(out, header::kMiniFatStart, h.miniFatStart);
    base::Put32(out, header::kMiniFatSectors, h.miniFatSectors);
    base::Put32(out, header::kDifatStart, h.difatStart);
    base::Put32(out, header::kDifatSectors, h.difatSectors);
    for (uint32_t i = 0; i < header::kDifatSlots; ++i) base::Put32(out, header::kDifat + 4 * i, h.difat[i]);
    return out;
}

Header DecodeHeader(std::string_view file) {
    Header h;
    h.majorVersion = base::Get16(file, header::kMajorVersion);
    h.sectorShift = base::Get16(file, header::kSectorShift);
    h.miniSectorShift = base::Get16(file, header::kMiniSectorShift);
    h.fatSectors = base::Get32(file, header::kFatSectors);
    h.dirStart = base::Get32(file, header::kDirStart);
    h.miniStreamCutoff = base::Get32(file, header::kMiniStreamCutoff);
    h.miniFatStart = base::Get32(file, header::kMiniFatStart);
    h.miniFatSectors = base::Get32(file, header::kMiniFatSectors);
    h.difatStart = base::Get32(file, header::kDifatStart);
    h.difatSectors = base::Get32(file, header::kDifatSectors);
    for (uint32_t i = 0; i < header::kDifatSlots; ++i) h.difat[i] = base::Get32(file, header::kDifat + 4 * i);
    return h;
}

void EncodeDirEntry(const DirEntry& e, std::string& out, size_t at) {
    for (size_t k = 0; k < e.name.size(); ++k) base::Put16(out, at + dirEntry::kName + 2 * k, e.name[k]);
    if (!e.name.empty()) base::Put16(out, at + dirEntry::kNameLength, uint16_t((e.name.size() + 1) * 2));
    out[at + dirEntry::kType] = char(e.type);
    out[at + dirEntry::kColor] = char(e.color);
    base::Put32(out, at + dirEntry::kLeft, e.left);
    base::Put32(out, at + dirEntry::kRight, e.right);
    base::Put32(out, at + dirEntry::kChild, e.child);
    base::Put32(out, at + dirEntry::kStart, e.start);
    base::Put64(out, at + dirEntry::kStreamSize, e.size);
}

DirEntry DecodeDirEntry(std::string_view d, uint16_t majorVersion) {
    DirEntry e;
    size_t nameBytes = base::Get16(d, dirEntry::kNameLength);
    if (nameBytes > dirEntry::kNameBytes) nameBytes = dirEntry::kNameBytes;
    for (size_t k = 0; k + 1 < nameBytes; k += 2) {
        char16_t c = base::Get16(d, dirEntry::kName + k);
        if (c == 0) break;
        e.name.push_back(c);
    }
    e.type = uint8_t(d[dirEntry::kType]);
    e.color = uint8_t(d[dirEntry::kColor]);
    e.left = base::Get32(d, dirEntry::kLeft);
    e.right = base::Get32(d, dirEntry::kRight);
    e.child = base::Get32(d, dirEntry::kChild);
    e.start = base::Get32(d, dirEntry::kStart);
    e.size = majorVersion == header::kVersion3 ? base::Get32(d, dirEntry::kStreamSize) : base::Get64(d, dirEntry::kStreamSize);
    return e;
}

}  // namespace msg::cfb
