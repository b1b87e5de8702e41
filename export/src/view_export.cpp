#include "view_export.h"

#include "item_endings.h"
#include "listing_cap.h"
#include "run_context.h"
#include "target.h"
#include "view_reader.h"

#include <base/byte_budget.h>
#include <base/ordered_window.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>
#include <exception>
#include <optional>
#include <thread>

namespace exporting {

namespace {

// The writing half: one entry read from the view into the target, a contact
// or a distribution list; its log lines and counts follow once its result is
// known. False when a stop request ended a write part way: that item is
// neither logged nor counted, and the view ends there. The target may take
// the contact's long values (ExportTarget::Write).
bool WriteItem(RunContext& run, ExportTarget& target, ItemEndings& endings, ViewItem& item) {
    if (item.opened) ++run.outcome.documentsOpened;
    ItemEnding ending;
    if (!item.readable) {
        const std::string which = item.source.Valid() ? "document " + item.source.unid : "entry " + std::to_string(item.entry);
        ending.unreadable = "Cannot read " + which + ": " + item.unreadable;
        ending.result = WriteResult::Failed;  // settled: no result of the target's is its
        return endings.Add(std::move(ending));
    }
    if (run.options.skipSaved && !item.alreadySaved && !item.source.Valid() && !run.notedUnidentified) {
        run.notedUnidentified = true;
        run.Log("Documents without a universal id cannot be recognised as saved: they are written each time", kColourSkip);
    }
    if (item.alreadySaved) {
        ending.name = item.name.empty() ? target.Subject(item.contact) : item.name;
        ending.result = WriteResult::AlreadySaved;
    } else if (item.group) {
        ending.name = OneLine(item.group->document.name);
        ending.group = true;
        ending.result = target.WriteList(*item.group, item.entry, item.source);
    } else {
        const std::string subject = target.Subject(item.contact);
        ending.result = target.Write(item.contact, subject, item.entry, item.source, item.prepared.get());
        ending.name = item.contact.DisplayName();
        if (ending.name.empty()) ending.name = subject;
        ending.cutItems = item.contact.cutItems;
        ending.attachmentsLeftOut = item.contact.attachmentsLeftOut;
    }
    return endings.Add(std::move(ending));
}

// The target's part of a contact that needs nothing of its state, done on
// the reading side.
void Prepare(const ExportTarget& target, ViewItem& item, const std::function<bool()>& stop) {
    if (item.readable && !item.alreadySaved && !item.group) item.prepared = target.Prepare(item.contact, stop);
}

// The entries one view export goes through, in order: every entry of the
// view, or those listed that it has.
std::vector<uint32_t> WalkOf(size_t count, const std::set<uint32_t>* entries) {
    std::vector<uint32_t> walk;
    if (!entries) {
        walk.resize(count);
        for (size_t n = 0; n < count; ++n) walk[n] = uint32_t(n);
        return walk;
    }
    for (uint32_t n : *entries)
        if (n < count) walk.push_back(n);
    return walk;
}

// With "Ignore already saved message": for each entry of the walk, whether
// the target holds its document saved and unchanged, decided from the index
// alone before anything is read, in the walk's order (the target counts each
// such meeting). Groups are always read: their time depends on the whole
// address book. The rest is what the run reads and writes; the log says how
// many of each before the first contact. Empty without the option.
std::vector<bool> SavedOfWalk(RunContext& run, ExportTarget& target, const ViewReader& reader,
                              const std::vector<uint32_t>& walk) {
    if (!run.options.skipSaved) return {};
    std::vector<bool> saved(walk.size());
    uint64_t savedCount = 0, toWrite = 0;
    for (size_t i = 0; i < walk.size(); ++i) {
        // A stop request is answered within a few thousand look-ups; the
        // writing then ends before its first item.
        if (i % 4096 == 0 && run.StopRequested()) return saved;
        const std::optional<ViewReader::EntryIdentity> entry = reader.Identify(walk[i]);
        if (!entry) continue;
        saved[i] = entry->source.Valid() && !entry->group && target.SavedAndUnchanged(entry->source);
        ++(saved[i] ? savedCount : toWrite);
    }
    run.Log("To write: " + GroupedDigits(toWrite) + "; already saved: " + GroupedDigits(savedCount) +
                (savedCount == 1 ? " contact" : " contacts"),
            kColourSkip);
    return saved;
}

// Reads the walk and writes each item as it is read, on the run's thread.
// False when a stop request ended it.
bool ReadAndWrite(RunContext& run, ExportTarget& target, ItemEndings& endings, ViewReader& reader,
                  const std::vector<uint32_t>& walk, const std::vector<bool>& saved) {
    bool interrupted = false;
    auto stop = [&] { return interrupted || run.StopRequested(); };
    for (size_t i = 0; i < walk.size(); ++i) {
        if (stop()) return false;
        ViewItem item;
        if (!reader.ReadEntry(walk[i], !saved.empty() && saved[i], &item)) continue;
        Prepare(target, item, stop);
        interrupted = !WriteItem(run, target, endings, item);
    }
    return !interrupted;
}

// The same with the reading on threads of their own, one for each core the
// machine has (at most kMaxReaders), each reading whichever entry of the walk
// comes next, at most kReadAhead entries ahead of the writing. The writing
// takes the items in the walk's order, and only it (this thread) touches the
// run and the target's state: log lines, counts and files come in the same
// order as one after the other.
constexpr size_t kReadAhead = 256;
constexpr size_t kMaxReaders = 4;
// The attached files and files made ahead that the read entries may hold at
// once: a few contacts with large files fill it long before the window of
// entries is full, and the readers then wait for the writing.
constexpr uint64_t kReadAheadBytes = 256ull << 20;

size_t ReaderCount() {
    const size_t cores = std::thread::hardware_concurrency();
    return std::clamp<size_t>(cores, 1, kMaxReaders);
}

// What a reader hands on for one entry of the walk: its item, nothing when
// it is not a contact, or why it could not be read.
struct ReadResult {
    std::optional<ViewItem> item;
    std::exception_ptr failure;
    uint64_t bytes = 0;  // of files the item holds, taken from the budget
};

// The bytes of the files an item holds: its contact's attachments and photo,
// and the file made of it ahead.
uint64_t FileBytes(const ViewItem& item) {
    uint64_t bytes = item.prepared ? item.prepared->bytes.size() : 0;
    for (const contacts::Attachment& a : item.contact.attachments) bytes += a.bytes.size();
    if (item.contact.photo) bytes += item.contact.photo->bytes.size();
    return bytes;
}

bool ReadAheadAndWrite(RunContext& run, ExportTarget& target, ItemEndings& endings, ViewReader& first,
                       uint32_t viewIndex, const std::vector<uint32_t>& walk, const std::vector<bool>& saved) {
    // Entries known to be saved cost the writer no more than a hand-over
    // would: it names them itself, with the first reader, and the readers on
    // threads read only the rest. Without a saved entry they read them all.
    std::vector<uint32_t> rest;
    for (size_t i = 0; i < saved.size(); ++i)
        if (!saved[i]) rest.push_back(walk[i]);
    const bool writerNames = rest.size() < walk.size();
    if (writerNames && rest.empty()) return ReadAndWrite(run, target, endings, first, walk, saved);
    const std::vector<uint32_t>& toRead = writerNames ? rest : walk;

    // More readers of the same view; one that cannot open leaves the work
    // to the others.
    std::vector<std::unique_ptr<ViewReader>> more;
    for (size_t i = writerNames ? 0 : 1; i < ReaderCount(); ++i) {
        auto reader = std::make_unique<ViewReader>();
        std::string why;
        if (!reader->Open(run.request.database, viewIndex, &why) || reader->EntryCount() != first.EntryCount()) break;
        more.push_back(std::move(reader));
    }
    std::vector<ViewReader*> readers;
    if (!writerNames) readers.push_back(&first);
    for (auto& reader : more) readers.push_back(reader.get());
    if (readers.empty()) return ReadAndWrite(run, target, endings, first, walk, saved);

    base::OrderedWindow<ReadResult> window(toRead.size(), kReadAhead, readers.size());
    base::ByteBudget budget(kReadAheadBytes);

    std::atomic<bool> writerDone{false};
    const std::function<bool()> stop = [&] { return writerDone.load() || run.StopRequested(); };
    std::vector<std::thread> threads;
    // However the writing ends, the readers are told and waited for.
    auto endReading = [&] {
        writerDone = true;
        window.Cancel();
        budget.Cancel();
        for (auto& thread : threads) thread.join();
    };
    bool interrupted = false;
    size_t at = 0;  // the writer's place in the walk
    // The saved entries from there up to the next one the readers read.
    auto writeSaved = [&] {
        for (; writerNames && at < walk.size() && saved[at]; ++at) {
            ViewItem item;
            if (!first.ReadEntry(walk[at], true, &item)) continue;
            if (run.StopRequested() || !WriteItem(run, target, endings, item)) return false;
        }
        return true;
    };
    try {
        for (ViewReader* reader : readers) {
            threads.emplace_back([reader, &window, &budget, &stop, &target, &toRead] {
                YieldToTheWriter();
                while (!stop()) {
                    const std::optional<size_t> number = window.Claim();
                    if (!number) break;
                    ReadResult read;
                    try {
                        ViewItem item;
                        if (reader->ReadEntry(toRead[*number], false, &item)) {
                            Prepare(target, item, stop);
                            read.item = std::move(item);
                        }
                    } catch (...) {
                        read.failure = std::current_exception();
                    }
                    if (read.item) read.bytes = FileBytes(*read.item);
                    const bool failed = bool(read.failure) || !budget.Take(*number, read.bytes);
                    window.Put(*number, std::move(read));
                    if (failed) break;
                }
                window.Done();
            });
        }
        for (uint64_t taken = 1; !interrupted; ++taken, ++at) {
            interrupted = !writeSaved();
            if (interrupted || at == walk.size()) break;
            std::optional<ReadResult> next = window.Take();
            if (!next) break;
            if (next->failure) std::rethrow_exception(next->failure);
            // A stop request ends the writing where it stands, as it ends
            // the reading one after the other.
            if (next->item && (run.StopRequested() || !WriteItem(run, target, endings, *next->item))) interrupted = true;
            budget.Give(next->bytes, taken);
        }
    } catch (...) {
        endReading();
        throw;
    }
    const bool finished = window.AllTaken() && (!writerNames || at == walk.size());
    endReading();
    return finished && !interrupted;
}

}  // namespace

bool ExportView(RunContext& run, ExportTarget& target, uint32_t viewIndex, const std::set<uint32_t>* entries) {
    ViewReader reader;
    std::string why;
    if (!reader.Open(run.request.database, viewIndex, &why)) {
        run.LogError("Cannot open view " + std::to_string(viewIndex) + " of " + run.request.database + ": " + why);
        if (entries) run.outcome.totals.failed += entries->size();
        return false;
    }
    const size_t count = reader.EntryCount();
    run.AddKnown(entries ? entries->size() : count);
    const std::vector<uint32_t> walk = WithoutExcessListings(run, reader, WalkOf(count, entries));
    const std::vector<bool> saved = SavedOfWalk(run, target, reader, walk);
    ItemEndings endings(run, target);
    bool completed = run.request.readAhead ? ReadAheadAndWrite(run, target, endings, reader, viewIndex, walk, saved)
                                           : ReadAndWrite(run, target, endings, reader, walk, saved);
    // The items still on their way are waited for, however the view ended.
    if (!endings.Drain()) completed = false;
    if (!completed) {
        run.stopped = true;
        if (run.request.IsListExport()) run.ClearStop();
    }
    if (entries) {
        // Ticked entries past the end of the view have no document.
        for (auto it = entries->lower_bound(uint32_t(count)); it != entries->end(); ++it) ++run.outcome.totals.failed;
    }
    return true;
}

}  // namespace exporting
