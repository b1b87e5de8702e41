// Builds a database's index from its DXL file. A large file is scanned in
// pieces side by side, one a core: the first piece is parsed from the file's
// start, each further one from a "<document" tag found near its share of the
// file, after the file's declarations and the database's start tag. A piece
// ends where the next begins, and its parse must meet a document starting
// there at the database's top level: a tag that turns out to lie in a
// comment or elsewhere means the pieces are not sound, and the file is
// scanned again in one pass. Errors are always those of the one pass.
#include "dxl_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace notesapi {

namespace {

std::atomic<uint64_t> scans{0};

constexpr size_t kMaxPieces = 4;
// How far past its share a piece's start is looked for.
constexpr uint64_t kSearchBytes = 4 << 20;

std::string FileName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool LooksBinary(const char* data, size_t n) {
    if (n >= 2 && ((data[0] == '\xFF' && data[1] == '\xFE') || (data[0] == '\xFE' && data[1] == '\xFF')))
        return false;  // UTF-16 with a byte-order mark
    for (size_t i = 0; i < n; ++i)
        if (data[i] == '\0') return true;
    return false;
}

std::shared_ptr<DatabaseIndex> NewIndex(const std::string& path, const struct stat& sb) {
    auto index = std::make_shared<DatabaseIndex>();
    index->path = path;
    index->fileSize = uint64_t(sb.st_size);
    index->mtimeNs = MtimeNs(sb);
    index->ctimeNs = CtimeNs(sb);
    index->device = uint64_t(sb.st_dev);
    index->inode = uint64_t(sb.st_ino);
    return index;
}

// The offset of the first "<document" start tag in [from, from + kSearchBytes)
// of the file, or 0 when there is none.
uint64_t FindDocumentTag(int fd, uint64_t from, uint64_t fileSize) {
    static constexpr std::string_view kTag = "<document";
    constexpr size_t kWindow = 64 * 1024;
    std::string buf(kWindow + kTag.size(), '\0');
    const uint64_t until = std::min(fileSize, from + kSearchBytes);
    for (uint64_t at = from; at < until; at += kWindow) {
        const ssize_t n = base::PreadAll(fd, buf.data(), buf.size(), at);
        if (n <= 0) return 0;
        const std::string_view window(buf.data(), size_t(n));
        for (size_t i = window.find(kTag); i != std::string_view::npos; i = window.find(kTag, i + 1)) {
            if (i + kTag.size() >= window.size() || at + i >= until) break;
            const char next = window[i + kTag.size()];
            if (next == ' ' || next == '\t' || next == '\n' || next == '\r' || next == '>' || next == '/')
                return at + i;
        }
    }
    return 0;
}

struct Piece {
    ScanPart part;
    DatabaseIndex index;
    ScanResult result;
    std::thread thread;
};

// Adds piece's documents, views and texts to into, and its summary starts
// to *starts (by into's string ids).
void Join(DatabaseIndex* into, std::vector<uint32_t>* starts, Piece& piece) {
    DatabaseIndex& from = piece.index;
    std::vector<uint32_t> ids(from.strings.size());
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = into->Intern(from.strings[i]);
    const uint32_t docBase = uint32_t(into->docs.size()), summaryBase = uint32_t(into->summaries.size()),
                   valueBase = uint32_t(into->values.size());
    const uint64_t pieceBase = into->arena.Absorb(std::move(from.arena));
    into->values.AppendFrom(std::move(from.values), [&](TextArena::Span& s) { s.piece += pieceBase; });
    into->summaries.AppendFrom(std::move(from.summaries), [&](Summary& s) { s.name = ids[s.name]; });
    into->docs.AppendFrom(std::move(from.docs), [&](DocRecord& d) {
        d.form = ids[d.form];
        d.firstSummary += summaryBase;
        d.firstValue += valueBase;
    });
    for (ViewInfo& v : from.views) into->views.push_back(std::move(v));
    const std::vector<uint32_t>& own = piece.result.summaryStart;
    for (size_t id = 0; id < own.size(); ++id) {
        if (own[id] == ScanResult::kNotSummarised) continue;
        const uint32_t to = ids[id];
        if (starts->size() <= to) starts->resize(to + 1, ScanResult::kNotSummarised);
        (*starts)[to] = std::min((*starts)[to], own[id] + docBase);
    }
}

// The pieces after the first, count - 1 of them, for the rest of the file
// from its first document doc: each starts at the first document tag past
// its share's start, and ends where the next starts.
std::vector<std::unique_ptr<Piece>> PlanPieces(int fd, uint64_t fileSize, uint64_t doc, uint64_t rootEnd,
                                               const std::vector<std::string>& names, size_t count,
                                               const std::atomic<bool>* cancel) {
    std::vector<std::unique_ptr<Piece>> pieces;
    const uint64_t rest = fileSize - doc;
    uint64_t last = doc;
    for (size_t k = 1; k < count; ++k) {
        const uint64_t at = FindDocumentTag(fd, std::max(last + 1, doc + rest / count * k), fileSize);
        if (at == 0) break;
        auto p = std::make_unique<Piece>();
        p->part.fd = fd;
        p->part.fileSize = fileSize;
        p->part.prefixSize = rootEnd;
        p->part.begin = last = at;
        p->part.summarised = names;
        p->part.cancel = cancel;
        pieces.push_back(std::move(p));
    }
    for (size_t k = 0; k + 1 < pieces.size(); ++k) pieces[k]->part.stopAt = pieces[k + 1]->part.begin;
    return pieces;
}

// Scans piece on a thread of its own. Whatever keeps it from its end (no
// thread, out of memory) makes it Unsure: the one pass meets it again on
// the caller's thread.
void StartPiece(Piece& piece, const std::string& path, const std::string& name) {
    try {
        piece.thread = std::thread([&piece, &path, &name] {
            try {
                piece.result = ScanDxl(piece.part, &piece.index, path, name);
            } catch (...) {
                piece.result = ScanResult::Ended(ScanEnd::Unsure);
            }
        });
    } catch (const std::system_error&) {
        piece.result.end = ScanEnd::Unsure;
    }
}

void JoinAll(std::vector<std::unique_ptr<Piece>>& pieces) {
    for (auto& p : pieces)
        if (p && p->thread.joinable()) p->thread.join();
}

// The scan in pieces; Unsure when they must be scanned again in one pass.
ScanResult ScanInPieces(int fd, uint64_t fileSize, const PieceLimits& limits, DatabaseIndex* index,
                        const std::string& path, const std::string& name) {
    const size_t most = limits.maxPieces ? limits.maxPieces : std::min<size_t>(std::thread::hardware_concurrency(), kMaxPieces);
    const uint64_t least = std::max<uint64_t>(limits.minBytes, 1);
    std::atomic<bool> cancel{false};
    std::vector<std::unique_ptr<Piece>> pieces;  // after the first
    // However the scan ends, the pieces' threads are stopped and waited for.
    struct StopPieces {
        std::vector<std::unique_ptr<Piece>>& pieces;
        std::atomic<bool>& cancel;
        ~StopPieces() {
            cancel = true;
            JoinAll(pieces);
        }
    } stopPieces{pieces, cancel};

    ScanPart first;
    first.fd = fd;
    first.fileSize = fileSize;
    if (most > 1 && fileSize / 2 >= least)
        first.atFirstDocument = [&](uint64_t doc, uint64_t rootEnd, const std::vector<std::string>& names) {
            if (!index->encoding.empty()) return;  // found by its UTF-8 bytes only
            const size_t count = size_t(std::min<uint64_t>(most, (fileSize - doc) / least));
            pieces = PlanPieces(fd, fileSize, doc, rootEnd, names, count, &cancel);
            if (!pieces.empty()) first.stopAt = pieces.front()->part.begin;
            for (auto& p : pieces) StartPiece(*p, path, name);
        };
    ScanResult result = ScanDxl(first, index, path, name);
    if (result.end != ScanEnd::Stopped) {
        // The whole file in one pass, or a failure before the second piece,
        // which the one pass would meet just the same.
        if (!pieces.empty() && result.end != ScanEnd::Failed) result.end = ScanEnd::Unsure;
        return result;
    }
    JoinAll(pieces);
    for (size_t k = 0; k < pieces.size(); ++k)
        if (pieces[k]->result.end != (k + 1 < pieces.size() ? ScanEnd::Stopped : ScanEnd::Complete))
            return ScanResult::Ended(ScanEnd::Unsure);
    for (auto& p : pieces) {
        Join(index, &result.summaryStart, *p);
        p.reset();
    }
    index->scanPieces = 1 + pieces.size();
    result.end = ScanEnd::Complete;
    return result;
}

}  // namespace

uint64_t IndexScans() { return scans; }

Failure BuildIndex(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) {
    return BuildIndex(path, PieceLimits{}, out);
}

Failure BuildIndex(const std::string& path, const PieceLimits& limits, std::shared_ptr<const DatabaseIndex>* out) {
    const std::string name = FileName(path);
    base::UniqueFd file;
    struct stat sb {};
    if (Failure st = OpenRegularFile(path, &file, &sb)) return st;
    if (sb.st_size == 0)
        return NotesError(LNERR_NOT_DXL, "The file " + name + " is empty. Choose a DXL export of a Notes database.");
    char head[4096];
    const ssize_t n = base::PreadAll(file.get(), head, sizeof head, 0);
    if (n < 0)
        return NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be read: " + std::strerror(errno) + ".");
    if (LooksBinary(head, size_t(n)))
        return NotesError(LNERR_BINARY_NSF,
                          "The file " + name + " is a binary file, not a DXL export. If it is a Notes "
                          "database (.nsf), export it to DXL in Notes or Domino Designer "
                          "(File > Export, DXL) and open the .dxl file.");

    ++scans;
    auto index = NewIndex(path, sb);
    ScanResult result = ScanInPieces(file.get(), uint64_t(sb.st_size), limits, index.get(), path, name);
    if (result.end == ScanEnd::Unsure) {
        index = NewIndex(path, sb);
        ScanPart whole;
        whole.fd = file.get();
        whole.fileSize = uint64_t(sb.st_size);
        result = ScanDxl(whole, index.get(), path, name);
    }
    if (result.end != ScanEnd::Complete) return std::move(result.failure);

    index->summarised.assign(index->strings.size(), false);
    for (size_t id = 0; id < result.summaryStart.size(); ++id)
        if (result.summaryStart[id] == 0) index->summarised[id] = true;
    // A view that came after some documents names items those documents did
    // not keep; such names are read from the file when needed.
    *out = std::move(index);
    return std::nullopt;
}

}  // namespace notesapi
