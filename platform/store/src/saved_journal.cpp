#include <store/saved_journal.h>

#include "file_writes.h"

#include <base/atomic_file.h>
#include <base/backslash.h>
#include <base/fd_io.h>
#include <base/hash.h>
#include <base/ref_table.h>
#include <base/unique_fd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace store {

namespace {

constexpr std::string_view kHeader = "ferrywell-saved 1\n";
constexpr std::string_view kHeaderName = "ferrywell-saved ";
constexpr int64_t kSyncIntervalMs = 2000;

std::string JournalPath(const std::string& folder) { return folder + "/" + kSavedJournalName; }

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void FailErrno(const std::string& what, const std::string& path) {
    const int err = errno;
    ThrowFileError(err, what + " \"" + path + "\": " + std::strerror(err));
}

// The checksum of a line's text, as 16 hexadecimal digits.
struct Checksum {
    explicit Checksum(std::string_view text) {
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(base::Fnv1a64(text)));
    }
    std::string_view View() const { return {hex, 16}; }
    char hex[17];
};

bool ParseInt(std::string_view text, int64_t* out) {
    if (text.empty() || text.size() > 20) return false;
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end != s.c_str() + s.size()) return false;
    *out = v;
    return true;
}

// One line without its line feed: database, universal id, time, sequence,
// line, file, then the checksum of everything before it.
std::string FormatLine(const mapi::SourceIdentity& id, const SavedPlace& place) {
    std::string line;
    base::AppendBackslashEscaped(line, id.database);
    line += '\t';
    base::AppendBackslashEscaped(line, id.unid);
    line += '\t' + std::to_string(id.modified.ticks) + '\t' + std::to_string(id.sequence) + '\t' +
            std::to_string(place.line) + '\t';
    base::AppendBackslashEscaped(line, place.file);
    line += '\t';
    line += Checksum(line.substr(0, line.size() - 1)).View();
    return line;
}

bool ParseLine(std::string_view line, mapi::SourceIdentity* id, SavedPlace* place) {
    const size_t last = line.rfind('\t');
    if (last == std::string_view::npos || line.substr(last + 1) != Checksum(line.substr(0, last)).View()) return false;
    std::string_view fields[6];
    size_t count = 0;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        if (count == std::size(fields)) return false;
        fields[count++] = line.substr(start, tab - start);
        if (tab == last) break;
        start = tab + 1;
    }
    int64_t ticks = 0, sequence = 0, row = 0;
    using base::BackslashUnescape;
    if (count != 6 || !BackslashUnescape(fields[0], &id->database) || !BackslashUnescape(fields[1], &id->unid) ||
        !ParseInt(fields[2], &ticks) || !ParseInt(fields[3], &sequence) || !ParseInt(fields[4], &row) ||
        !BackslashUnescape(fields[5], &place->file) || sequence < 0 || sequence > int64_t(UINT32_MAX) || row < -1)
        return false;
    id->modified.ticks = ticks;
    id->sequence = uint32_t(sequence);
    place->line = row;
    return id->Valid();
}

// What a journal's first bytes say: Nothing for an empty file or a header
// a crash cut short, else whether the header is ours.
enum class HeaderState { Nothing, Ours, Foreign, Later };
HeaderState ReadHeader(std::string_view bytes) {
    if (bytes.size() < kHeader.size() && kHeader.substr(0, bytes.size()) == bytes) return HeaderState::Nothing;
    if (bytes.substr(0, kHeader.size()) == kHeader) return HeaderState::Ours;
    return bytes.substr(0, kHeaderName.size()) == kHeaderName ? HeaderState::Later : HeaderState::Foreign;
}

void CheckHeader(HeaderState state, const std::string& path) {
    if (state == HeaderState::Foreign)
        throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not a record of saved items");
    if (state == HeaderState::Later)
        throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" was written by a later version of the program");
}

// Every open of a journal, to read or to write: never through a symbolic
// link, never waiting on a FIFO or device (they open without blocking and
// are refused), and only a regular file is taken. No fd (errno ENOENT) when
// there is no journal and flags do not make one.
base::UniqueFd OpenJournal(const std::string& path, int flags) {
    base::UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK, 0666));
    if (!fd) {
        if (errno == ENOENT) return fd;
        if (errno == ELOOP)
            throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is a symbolic link, not a record of saved items");
        FailErrno("Cannot open", path);
    }
    struct stat sb {};
    if (::fstat(fd.get(), &sb) != 0) FailErrno("Cannot read", path);
    if (!S_ISREG(sb.st_mode)) throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not a regular file");
    // Reads and writes of a regular file never wait anyway; the flag goes so
    // that they behave as on any file.
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// The journal's lines, fed as they are read: the reader keeps one block and
// the line it cuts, never the whole file.
class LineReader {
public:
    LineReader(int fd, const std::string& path) : fd_(fd), path_(path) {}
    // The next line without its line feed, in *line until the next call;
    // false at the end, with *cutShort set when bytes without a line feed
    // were left there.
    bool Next(std::string_view* line, bool* cutShort) {
        for (;;) {
            const size_t end = bytes_.find('\n', at_);
            if (end != std::string::npos) {
                *line = std::string_view(bytes_).substr(at_, end - at_);
                at_ = end + 1;
                return true;
            }
            bytes_.erase(0, at_);
            at_ = 0;
            if (!Fill()) {
                *cutShort = !bytes_.empty();
                return false;
            }
        }
    }
    // At least n bytes (fewer only at the end of the file) not taken yet.
    std::string_view Peek(size_t n) {
        while (bytes_.size() - at_ < n && Fill()) {
        }
        return std::string_view(bytes_).substr(at_, n);
    }
    void Skip(size_t n) { at_ += n; }

private:
    bool Fill() {
        char buf[65536];
        const ssize_t n = base::ReadAll(fd_, buf, sizeof buf);
        if (n < 0) FailErrno("Cannot read", path_);
        bytes_.append(buf, size_t(n));
        return n > 0;
    }

    int fd_;
    const std::string& path_;
    std::string bytes_;
    size_t at_ = 0;
};

uint64_t PlaceHash(const SavedPlace& place) {
    return std::hash<std::string_view>{}(place.file) ^ (uint64_t(place.line) * 0x9E3779B97F4A7C15ull);
}

// Calls each(line) for the journal's lines after its header, until it
// returns false; true when the file ended in a line cut short.
template <class Each>
bool ForEachJournalLine(const std::string& folder, Each&& each) {
    const std::string path = JournalPath(folder);
    const base::UniqueFd fd = OpenJournal(path, O_RDONLY);
    if (!fd) return false;
    LineReader lines(fd.get(), path);
    const HeaderState header = ReadHeader(lines.Peek(kHeader.size()));
    CheckHeader(header, path);
    if (header == HeaderState::Nothing) return false;
    lines.Skip(kHeader.size());
    std::string_view line;
    bool cutShort = false;
    while (lines.Next(&line, &cutShort))
        if (!each(line)) return false;
    return cutShort;
}

}  // namespace

SavedFiles ReadSavedJournal(const std::string& folder) {
    SavedFiles saved;
    // The record each place was last written for: a place written again
    // for another document no longer holds the earlier one.
    base::RefTable holders;
    const auto placeOf = [&](uint32_t node) { return PlaceHash(saved.At(node).where); };
    size_t damaged = 0;
    if (ForEachJournalLine(folder, [&](std::string_view line) {
            mapi::SourceIdentity id;
            SavedPlace place;
            if (!ParseLine(line, &id, &place)) {
                ++damaged;
                return true;
            }
            uint32_t& holder = holders.Slot(
                PlaceHash(place), [&](uint32_t node) { return saved.At(node).where == place; }, placeOf);
            if (holder != base::RefTable::kNone) {
                const mapi::SourceIdentity& held = saved.At(holder).identity;
                if (held.database != id.database || held.unid != id.unid) {
                    const std::string database = held.database, unid = held.unid;  // the record goes
                    saved.Remove(database, unid, place);
                }
            }
            holder = saved.Add(std::move(id), std::move(place));
            return true;
        }))
        ++damaged;  // the last line, cut short
    saved.damaged_ = damaged;
    return saved;
}

bool AnySavedLine(const std::string& folder,
                  const std::function<bool(const mapi::SourceIdentity&, const SavedPlace&)>& match) {
    bool found = false;
    ForEachJournalLine(folder, [&](std::string_view line) {
        mapi::SourceIdentity id;
        SavedPlace place;
        found = ParseLine(line, &id, &place) && match(id, place);
        return !found;
    });
    return found;
}

SavedJournal::SavedJournal(const std::string& folder) : path_(JournalPath(folder)) {
    fd_ = OpenJournal(path_, O_RDWR | O_CREAT | O_APPEND).Release();
    if (fd_ < 0) FailErrno("Cannot open", path_);  // the folder is gone
    try {
        struct stat sb {};
        if (::fstat(fd_, &sb) != 0) FailErrno("Cannot read", path_);
        char start[kHeader.size()];
        const ssize_t n = ::pread(fd_, start, sizeof start, 0);
        if (n < 0) FailErrno("Cannot read", path_);
        const HeaderState header = ReadHeader(std::string_view(start, size_t(n)));
        CheckHeader(header, path_);
        if (header == HeaderState::Nothing) {
            if (::ftruncate(fd_, 0) != 0 || ::write(fd_, kHeader.data(), kHeader.size()) != ssize_t(kHeader.size()) ||
                ::fsync(fd_) != 0)
                FailErrno("Cannot write", path_);
            base::SyncFolderOf(path_);
        } else {
            // A line a crash cut short: everything after the last line feed goes.
            off_t end = sb.st_size;
            char c = 0;
            while (end > 0 && ::pread(fd_, &c, 1, end - 1) == 1 && c != '\n') --end;
            if (end < off_t(kHeader.size())) end = off_t(kHeader.size());
            if (end != sb.st_size && (::ftruncate(fd_, end) != 0 || ::fdatasync(fd_) != 0)) FailErrno("Cannot write", path_);
        }
    } catch (const base::IoError& e) {
        ::close(fd_);
        ThrowFileError(e.Errno(), e.what());
    } catch (...) {
        ::close(fd_);
        throw;
    }
    lastSync_ = NowMs();
}

SavedJournal::~SavedJournal() {
    if (fd_ < 0) return;
    ::fdatasync(fd_);
    ::close(fd_);
}

void SavedJournal::Record(const mapi::SourceIdentity& identity, const SavedPlace& place) {
    if (!identity.Valid())
        throw StoreError(ErrorCode::InvalidArgument, "An item without a source database and universal id cannot be recorded");
    const std::string line = FormatLine(identity, place) + '\n';
    const size_t n = base::WriteAll(fd_, line.data(), line.size());
    if (n != line.size()) {
        // A part of a line would spoil the next one: it goes. The journal
        // ends with what this write appended.
        const int err = errno;
        struct stat sb {};
        if (n > 0 && ::fstat(fd_, &sb) == 0 && sb.st_size >= off_t(n)) (void)!::ftruncate(fd_, sb.st_size - off_t(n));
        ThrowFileError(err, "Cannot write \"" + path_ + "\": " + std::strerror(err));
    }
    if (NowMs() - lastSync_ >= kSyncIntervalMs) Sync();
}

void SavedJournal::Sync() {
    if (::fdatasync(fd_) != 0) FailErrno("Cannot write", path_);
    lastSync_ = NowMs();
}

namespace {

// CSV lines: a line feed inside double quotes belongs to the field, not the
// end of the line.
class LineScanner {
public:
    // Feeds bytes; calls end(offset just past the line feed) at each line's end.
    template <class End>
    void Feed(std::string_view bytes, uint64_t offset, End end) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            const char c = bytes[i];
            if (c == '"') quoted_ = !quoted_;
            if (c == '\n' && !quoted_) {
                open_ = false;
                end(offset + i + 1);
            } else {
                open_ = true;
            }
        }
    }
    // True when bytes after the last line's end form an unfinished line.
    bool Open() const { return open_; }

private:
    bool quoted_ = false;
    bool open_ = false;
};

// A replacement is one line: balanced quotes, no line break outside them.
bool IsOneLine(std::string_view text) {
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        else if ((c == '\n' || c == '\r') && !quoted) return false;
    }
    return !quoted;
}

// Reads the file at fd from its start, calling scanner.Feed on each block.
template <class End>
void ScanLines(int fd, const std::string& path, LineScanner& scanner, End end) {
    char buf[65536];
    uint64_t offset = 0;
    for (;;) {
        const ssize_t n = base::PreadAll(fd, buf, sizeof buf, offset);
        if (n < 0) FailErrno("Cannot read", path);
        if (n == 0) return;
        scanner.Feed(std::string_view(buf, size_t(n)), offset, end);
        offset += uint64_t(n);
    }
}

}  // namespace

void ReplaceLines(const std::string& path, const std::map<int64_t, std::string>& lines) {
    for (const auto& [index, text] : lines)
        if (!IsOneLine(text)) throw StoreError(ErrorCode::InvalidArgument, "A replacement line holds a line break");
    if (!lines.empty() && lines.begin()->first < 0)
        throw StoreError(ErrorCode::InvalidArgument, "\"" + path + "\" has no line " + std::to_string(lines.begin()->first));
    struct stat sb {};
    if (::lstat(path.c_str(), &sb) != 0) FailErrno("Cannot read", path);
    if (!S_ISREG(sb.st_mode)) throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not a regular file");
    std::string bytes;
    try {
        bytes = base::ReadWholeFile(path);
    } catch (const base::IoError& e) {
        ThrowFileError(e.Errno(), e.what());
    }
    std::vector<size_t> ends;  // where each line ends
    LineScanner scanner;
    scanner.Feed(bytes, 0, [&](uint64_t at) { ends.push_back(size_t(at)); });
    if (scanner.Open()) ends.push_back(bytes.size());
    if (!lines.empty() && lines.rbegin()->first >= int64_t(ends.size()))
        throw StoreError(ErrorCode::InvalidArgument, "\"" + path + "\" has no line " + std::to_string(lines.rbegin()->first));
    std::string out;
    out.reserve(bytes.size());
    size_t copied = 0;
    for (const auto& [index, text] : lines) {
        const size_t start = index == 0 ? 0 : ends[size_t(index) - 1];
        // The line keeps its own ending (LF, CR LF, or none at the end of the file).
        size_t body = ends[size_t(index)];
        if (body > start && bytes[body - 1] == '\n') --body;
        if (body > start && bytes[body - 1] == '\r') --body;
        out.append(bytes, copied, start - copied);
        out += text;
        copied = body;
    }
    out.append(bytes, copied, std::string::npos);
    WriteWholeFile(path, out, base::Durability::OnlyCopy);
}

int64_t CountLines(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return 0;
        FailErrno("Cannot open", path);
    }
    int64_t count = 0;
    LineScanner scanner;
    try {
        struct stat sb {};
        if (::fstat(fd, &sb) != 0) FailErrno("Cannot read", path);
        if (!S_ISREG(sb.st_mode)) throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not a regular file");
        ScanLines(fd, path, scanner, [&](uint64_t) { ++count; });
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
    return count + (scanner.Open() ? 1 : 0);
}

void CutAfterLines(const std::string& path, int64_t count) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) FailErrno("Cannot open", path);
    try {
        struct stat sb {};
        if (::fstat(fd, &sb) != 0) FailErrno("Cannot read", path);
        if (!S_ISREG(sb.st_mode)) throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not a regular file");
        int64_t seen = 0;
        uint64_t keep = count <= 0 ? 0 : uint64_t(sb.st_size);
        LineScanner scanner;
        if (count > 0)
            ScanLines(fd, path, scanner, [&](uint64_t at) {
                if (++seen == count) keep = at;
            });
        if (keep < uint64_t(sb.st_size) && (::ftruncate(fd, off_t(keep)) != 0 || ::fdatasync(fd) != 0))
            FailErrno("Cannot write", path);
    } catch (...) {
        ::close(fd);
        throw;
    }
    ::close(fd);
}

}  // namespace store
