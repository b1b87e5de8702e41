// The layout, all integers little-endian: "FWINDEX\n", the version (u32),
// the header (path, device, inode, size, times, checksums), the body's
// length and checksum (u64 each), then the body: the index's texts, names,
// views, summaries, values and documents, each table behind its count.
#include "index_file.h"

#include <base/fd_io.h>
#include <base/little_endian.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace notesapi {

namespace {

constexpr std::string_view kMagic = "FWINDEX\n";
constexpr uint32_t kVersion = 1;
constexpr uint64_t kSumBytes = 64 * 1024;

// A quick checksum, eight bytes a step: it catches damage, not intent.
uint64_t Checksum(std::string_view bytes) {
    uint64_t h = 0x243F6A8885A308D3ull ^ bytes.size();
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        h = (h ^ base::Get64(bytes.data() + i)) * 0x9E3779B97F4A7C15ull;
        h ^= h >> 29;
    }
    for (; i < bytes.size(); ++i) h = (h ^ uint8_t(bytes[i])) * 0x100000001B3ull;
    return h;
}

class Writer {
public:
    std::string out;
    void U8(uint8_t v) { out.push_back(char(v)); }
    void U32(uint32_t v) {
        char b[4];
        base::Put32(b, v);
        out.append(b, 4);
    }
    void U64(uint64_t v) {
        char b[8];
        base::Put64(b, v);
        out.append(b, 8);
    }
    void Text(std::string_view s) {
        U32(uint32_t(s.size()));
        out.append(s);
    }
};

// Reads fail for good at the first that would pass the end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool Ok() const { return ok_; }
    bool AtEnd() const { return ok_ && at_ == bytes_.size(); }
    size_t Left() const { return bytes_.size() - at_; }
    void Fail() { ok_ = false; }
    const char* Take(size_t n) {
        if (!ok_ || n > Left()) {
            ok_ = false;
            return nullptr;
        }
        const char* p = bytes_.data() + at_;
        at_ += n;
        return p;
    }
    uint8_t U8() {
        const char* p = Take(1);
        return p ? uint8_t(*p) : 0;
    }
    uint32_t U32() {
        const char* p = Take(4);
        return p ? base::Get32(p) : 0;
    }
    uint64_t U64() {
        const char* p = Take(8);
        return p ? base::Get64(p) : 0;
    }
    std::string_view Text() {
        const uint32_t n = U32();
        const char* p = Take(n);
        return p ? std::string_view(p, n) : std::string_view();
    }
    // A count of records of at least minBytes each, which the bytes left
    // must be able to hold.
    uint64_t Count(size_t minBytes) {
        const uint64_t n = U64();
        if (n > Left() / minBytes) ok_ = false;
        return ok_ ? n : 0;
    }

private:
    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

void EncodeHeader(const IndexFileHeader& h, Writer* w) {
    w->out.append(kMagic);
    w->U32(kVersion);
    w->Text(h.path);
    for (uint64_t v : {h.device, h.inode, h.fileSize, uint64_t(h.mtimeNs), uint64_t(h.ctimeNs), h.headSum, h.tailSum})
        w->U64(v);
}

bool DecodeHeader(Reader* r, IndexFileHeader* h) {
    const char* magic = r->Take(kMagic.size());
    if (!magic || std::string_view(magic, kMagic.size()) != kMagic || r->U32() != kVersion) return false;
    h->path = r->Text();
    h->device = r->U64();
    h->inode = r->U64();
    h->fileSize = r->U64();
    h->mtimeNs = int64_t(r->U64());
    h->ctimeNs = int64_t(r->U64());
    h->headSum = r->U64();
    h->tailSum = r->U64();
    return r->Ok();
}

void EncodeBody(const DatabaseIndex& ix, Writer* w) {
    w->Text(ix.encoding);
    w->Text(ix.rootNamespaces);
    w->Text(ix.title);
    w->Text(ix.replicaId.GetText().str());
    w->U32(uint32_t(ix.scanPieces));
    w->U64(ix.strings.size());
    for (size_t i = 0; i < ix.strings.size(); ++i) {
        w->Text(ix.strings[i]);
        w->U8(i < ix.summarised.size() && ix.summarised[i]);
    }
    w->U64(ix.views.size());
    for (const ViewInfo& v : ix.views) {
        w->Text(v.name);
        w->U8(v.isFolder);
        w->Text(v.selection);
        w->U64(v.columns.size());
        for (const ColumnInfo& c : v.columns) {
            w->Text(c.itemName);
            w->U8(uint8_t(c.sorted | c.descending << 1 | c.categorized << 2));
        }
    }
    w->U64(ix.summaries.size());
    for (size_t i = 0; i < ix.summaries.size(); ++i) {
        const Summary& s = ix.summaries[i];
        w->U32(s.name);
        w->U8(s.large);
        w->U32(s.valueCount);
    }
    w->U64(ix.values.size());
    for (size_t i = 0; i < ix.values.size(); ++i) w->Text(ix.Value(uint32_t(i)));
    w->U64(ix.docs.size());
    for (size_t i = 0; i < ix.docs.size(); ++i) {
        const DocRecord& d = ix.docs[i];
        w->U64(d.begin);
        for (uint32_t v : {d.size, d.skipAt, d.skipSize, d.form, d.noteId, d.firstSummary, d.summaryCount, d.firstValue,
                           d.sequence})
            w->U32(v);
        w->Text(d.unid.GetText().str());
        for (const PackedDatetime* dt : {&d.modified, &d.revised, &d.created}) {
            char b[PackedDatetime::kBytes];
            dt->Save(b);
            w->out.append(b, sizeof b);
        }
    }
}

// Documents of a file of fileSize bytes: each within the file, its summaries
// and values within the index's tables.
bool DocumentsFit(const DatabaseIndex& ix, uint64_t fileSize) {
    // valuesBefore[s]: the values of the summaries before summary s.
    std::vector<uint64_t> valuesBefore(ix.summaries.size() + 1, 0);
    for (size_t s = 0; s < ix.summaries.size(); ++s) valuesBefore[s + 1] = valuesBefore[s] + ix.summaries[s].valueCount;
    for (size_t i = 0; i < ix.docs.size(); ++i) {
        const DocRecord& d = ix.docs[i];
        if (d.begin >= fileSize) return false;
        if (d.size != DocRecord::kSizeUnknown && d.End() > fileSize) return false;
        if (uint64_t(d.skipAt) + d.skipSize > d.size) return false;
        if (d.form >= ix.strings.size()) return false;
        const uint64_t end = uint64_t(d.firstSummary) + d.summaryCount;
        if (end > ix.summaries.size()) return false;
        if (d.firstValue + (valuesBefore[end] - valuesBefore[d.firstSummary]) > ix.values.size()) return false;
    }
    return true;
}

bool DecodeBody(Reader* r, uint64_t fileSize, DatabaseIndex* ix) {
    ix->encoding = r->Text();
    ix->rootNamespaces = r->Text();
    ix->title = r->Text();
    ix->replicaId = LNReplicaID(r->Text());
    ix->scanPieces = std::max<uint32_t>(1, r->U32());
    const uint64_t strings = r->Count(5);
    ix->strings.reserve(strings);
    ix->summarised.reserve(strings);
    for (uint64_t i = 0; i < strings && r->Ok(); ++i) {
        if (ix->Intern(r->Text()) != i) return false;  // names are kept once
        ix->summarised.push_back(r->U8() != 0);
    }
    const uint64_t views = r->Count(13);
    for (uint64_t i = 0; i < views && r->Ok(); ++i) {
        ViewInfo& v = ix->views.emplace_back();
        v.name = r->Text();
        v.isFolder = r->U8() != 0;
        v.selection = r->Text();
        const uint64_t columns = r->Count(5);
        for (uint64_t c = 0; c < columns && r->Ok(); ++c) {
            ColumnInfo& col = v.columns.emplace_back();
            col.itemName = r->Text();
            const uint8_t flags = r->U8();
            col.sorted = flags & 1;
            col.descending = flags & 2;
            col.categorized = flags & 4;
        }
    }
    const uint64_t summaries = r->Count(9);
    for (uint64_t i = 0; i < summaries && r->Ok(); ++i) {
        Summary s;
        const uint32_t name = r->U32();
        if (name >= ix->strings.size()) return false;
        s.name = name;
        s.large = r->U8() != 0;
        s.valueCount = r->U32();
        ix->summaries.push_back(s);
    }
    const uint64_t values = r->Count(4);
    if (values >= UINT32_MAX) return false;
    for (uint64_t i = 0; i < values && r->Ok(); ++i) {
        const std::string_view text = r->Text();
        if (text.size() > TextArena::kMaxText) return false;
        ix->values.push_back(ix->arena.Add(text));
    }
    const uint64_t docs = r->Count(8 + 9 * 4 + 4 + 3 * PackedDatetime::kBytes);
    if (docs >= ViewEntry::kCategory) return false;
    for (uint64_t i = 0; i < docs && r->Ok(); ++i) {
        DocRecord d;
        d.begin = r->U64();
        for (uint32_t* v : {&d.size, &d.skipAt, &d.skipSize, &d.form, &d.noteId, &d.firstSummary, &d.summaryCount,
                            &d.firstValue, &d.sequence})
            *v = r->U32();
        const std::string_view unid = r->Text();
        if (!unid.empty()) {
            d.unid = LNUniversalID(unid);
            if (d.unid.IsNull()) return false;
        }
        for (PackedDatetime* dt : {&d.modified, &d.revised, &d.created})
            if (const char* b = r->Take(PackedDatetime::kBytes)) *dt = PackedDatetime::Load(b);
        ix->docs.push_back(d);
    }
    return r->AtEnd() && DocumentsFit(*ix, fileSize);
}

}  // namespace

bool DescribeDatabaseFile(int fd, const std::string& path, const struct stat& sb, IndexFileHeader* out) {
    IndexFileHeader h;
    h.path = path;
    h.device = uint64_t(sb.st_dev);
    h.inode = uint64_t(sb.st_ino);
    h.fileSize = uint64_t(sb.st_size);
    h.mtimeNs = MtimeNs(sb);
    h.ctimeNs = CtimeNs(sb);
    std::string buf(size_t(std::min(h.fileSize, kSumBytes)), '\0');
    if (base::PreadAll(fd, buf.data(), buf.size(), 0) != ssize_t(buf.size())) return false;
    h.headSum = Checksum(buf);
    if (base::PreadAll(fd, buf.data(), buf.size(), h.fileSize - buf.size()) != ssize_t(buf.size())) return false;
    h.tailSum = Checksum(buf);
    *out = std::move(h);
    return true;
}

std::string FrameIndexBody(const IndexFileHeader& header, std::string_view body) {
    Writer head;
    EncodeHeader(header, &head);
    head.U64(body.size());
    head.U64(Checksum(body));
    head.out.append(body);
    return std::move(head.out);
}

std::string EncodeIndex(const IndexFileHeader& header, const DatabaseIndex& index) {
    Writer body;
    EncodeBody(index, &body);
    return FrameIndexBody(header, body.out);
}

bool DecodeIndexHeader(std::string_view bytes, IndexFileHeader* out) {
    Reader r(bytes);
    return DecodeHeader(&r, out);
}

std::shared_ptr<DatabaseIndex> DecodeIndex(std::string_view bytes, const IndexFileHeader& header,
                                           const std::string& path) {
    Reader r(bytes);
    IndexFileHeader kept;
    if (!DecodeHeader(&r, &kept) || !(kept == header)) return nullptr;
    const uint64_t size = r.U64(), sum = r.U64();
    if (!r.Ok() || size != r.Left()) return nullptr;
    const std::string_view body(r.Take(size_t(size)), size_t(size));
    if (Checksum(body) != sum) return nullptr;
    auto index = std::make_shared<DatabaseIndex>();
    index->path = path;
    index->fileSize = header.fileSize;
    index->mtimeNs = header.mtimeNs;
    index->ctimeNs = header.ctimeNs;
    index->device = header.device;
    index->inode = header.inode;
    Reader br(body);
    try {
        if (!DecodeBody(&br, header.fileSize, index.get())) return nullptr;
    } catch (const std::length_error&) {
        return nullptr;  // more texts than an index holds
    }
    return index;
}

}  // namespace notesapi
