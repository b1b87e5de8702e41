#include "compound_file_codec.h"

#include "bytes.h"

namespace msg::cfb {

bool HasSignature(std::string_view file) {
    return file.substr(header::kSignature, header::kSignatureValue.size()) == header::kSignatureValue;
}

std::string EncodeHeader(const Header& h) {
    std::string out(header::kSize, '\0');
    out.replace(header::kSignature, header::kSignatureValue.size(), header::kSignatureValue);
    Put16(out, header::kMinorVersion, header::kMinorVersionValue);
    Put16(out, header::kMajorVersion, h.majorVersion);
    Put16(out, header::kByteOrder, header::kByteOrderValue);
    Put16(out, header::kSectorShift, h.sectorShift);
    Put16(out, header::kMiniSectorShift, h.miniSectorShift);
    Put32(out, header::kFatSectors, h.fatSectors);
    Put32(out, header::kDirStart, h.dirStart);
    Put32(out, header::kMiniStreamCutoff, h.miniStreamCutoff);
    Put32(out, header::kMiniFatStart, h.miniFatStart);
    Put32(out, header::kMiniFatSectors, h.miniFatSectors);
    Put32(out, header::kDifatStart, h.difatStart);
    Put32(out, header::kDifatSectors, h.difatSectors);
    for (uint32_t i = 0; i < header::kDifatSlots; ++i) Put32(out, header::kDifat + 4 * i, h.difat[i]);
    return out;
}

Header DecodeHeader(std::string_view file) {
    Header h;
    h.majorVersion = Get16(file, header::kMajorVersion);
    h.sectorShift = Get16(file, header::kSectorShift);
    h.miniSectorShift = Get16(file, header::kMiniSectorShift);
    h.fatSectors = Get32(file, header::kFatSectors);
    h.dirStart = Get32(file, header::kDirStart);
    h.miniStreamCutoff = Get32(file, header::kMiniStreamCutoff);
    h.miniFatStart = Get32(file, header::kMiniFatStart);
    h.miniFatSectors = Get32(file, header::kMiniFatSectors);
    h.difatStart = Get32(file, header::kDifatStart);
    h.difatSectors = Get32(file, header::kDifatSectors);
    for (uint32_t i = 0; i < header::kDifatSlots; ++i) h.difat[i] = Get32(file, header::kDifat + 4 * i);
    return h;
}

void EncodeDirEntry(const DirEntry& e, std::string& out, size_t at) {
    for (size_t k = 0; k < e.name.size(); ++k) Put16(out, at + dirEntry::kName + 2 * k, e.name[k]);
    if (!e.name.empty()) Put16(out, at + dirEntry::kNameLength, uint16_t((e.name.size() + 1) * 2));
    out[at + dirEntry::kType] = char(e.type);
    out[at + dirEntry::kColor] = char(e.color);
    Put32(out, at + dirEntry::kLeft, e.left);
    Put32(out, at + dirEntry::kRight, e.right);
    Put32(out, at + dirEntry::kChild, e.child);
    Put32(out, at + dirEntry::kStart, e.start);
    Put64(out, at + dirEntry::kStreamSize, e.size);
}

DirEntry DecodeDirEntry(std::string_view d, uint16_t majorVersion) {
    DirEntry e;
    size_t nameBytes = Get16(d, dirEntry::kNameLength);
    if (nameBytes > dirEntry::kNameBytes) nameBytes = dirEntry::kNameBytes;
    for (size_t k = 0; k + 1 < nameBytes; k += 2) {
        char16_t c = Get16(d, dirEntry::kName + k);
        if (c == 0) break;
        e.name.push_back(c);
    }
    e.type = uint8_t(d[dirEntry::kType]);
    e.color = uint8_t(d[dirEntry::kColor]);
    e.left = Get32(d, dirEntry::kLeft);
    e.right = Get32(d, dirEntry::kRight);
    e.child = Get32(d, dirEntry::kChild);
    e.start = Get32(d, dirEntry::kStart);
    e.size = majorVersion == header::kVersion3 ? Get32(d, dirEntry::kStreamSize) : Get64(d, dirEntry::kStreamSize);
    return e;
}

}  // namespace msg::cfb
