#include "view_export.h"

#include "run_context.h"
#include "target.h"
#include "view_reader.h"

#include <base/bounded_queue.h>

#include <atomic>
#include <exception>
#include <optional>
#include <thread>

namespace exporting {

namespace {

void Count(ExportTotals& totals, WriteResult result) {
    switch (result) {
    case WriteResult::Written: ++totals.written; break;
    case WriteResult::Skipped:
    case WriteResult::AlreadySaved: ++totals.skipped; break;
    case WriteResult::Failed: ++totals.failed; break;
    case WriteResult::Stopped: break;
    }
}

// Values longer than a contact property holds were cut when they were read.
void LogCuts(RunContext& run, const ContactRecord& contact, const std::string& name) {
    for (const std::string& item : contact.cutItems)
        run.Log("Cut to " + std::to_string(notes::kMaxValueChars) + " characters: " + item + " of " + name, kColourSkip);
}

// The writing half: one entry read from the view into the target, a contact
// or a distribution list. False when a stop request ended the write part way:
// the item is neither logged nor counted, and the view ends there.
bool WriteItem(RunContext& run, ExportTarget& target, const ViewItem& item) {
    if (!item.readable) {
        // A ticked contact that cannot be read is one the user asked for.
        if (run.request.IsListExport()) ++run.outcome.totals.failed;
        run.CountDone();
        return true;
    }
    if (run.options.skipSaved && !item.source.Valid() && !run.notedUnidentified) {
        run.notedUnidentified = true;
        run.Log("Documents without a universal id cannot be recognised as saved: they are written each time", kColourSkip);
    }
    std::string name;
    WriteResult result;
    if (item.alreadySaved) {
        name = item.name.empty() ? target.Subject(item.contact) : item.name;
        result = WriteResult::AlreadySaved;
    } else if (item.group) {
        name = OneLine(item.group->document.name);
        result = target.WriteList(*item.group, item.entry, item.source);
    } else {
        const std::string subject = target.Subject(item.contact);
        result = target.Write(item.contact, subject, item.entry, item.source);
        name = item.contact.DisplayName();
        if (name.empty()) name = subject;
    }
    if (result == WriteResult::Stopped) return false;
    Count(run.outcome.totals, result);
    target.Commit(true);
    if (result == WriteResult::AlreadySaved) {
        run.Log("Already saved: " + name, kColourSkip);
    } else {
        run.Log("Export Items: " + name);
        if (!item.group && result == WriteResult::Written) LogCuts(run, item.contact, name);
    }
    run.CountDone();
    return true;
}

// Reads the view and writes each item as it is read, on the run's thread.
// False when a stop request ended it.
bool ReadAndWrite(RunContext& run, ExportTarget& target, ViewReader& reader, const std::set<uint32_t>* entries) {
    // An unchanged document the target holds is left unread.
    std::function<bool(const mapi::SourceIdentity&)> saved;
    if (run.options.skipSaved) saved = [&target](const mapi::SourceIdentity& source) { return target.SavedAndUnchanged(source); };
    bool interrupted = false;
    const bool finished = reader.Read(entries, [&] { return interrupted || run.StopRequested(); },
                                      [&](ViewItem&& item) { interrupted = !WriteItem(run, target, item); }, saved);
    return finished && !interrupted;
}

// The same with the reading on a thread of its own, at most kReadAhead items
// ahead of the writing. Only the writing (this thread) touches the run and
// the target, so log lines, counts and files come in the same order as one
// after the other.
constexpr size_t kReadAhead = 64;

bool ReadAheadAndWrite(RunContext& run, ExportTarget& target, ViewReader& reader, const std::set<uint32_t>* entries) {
    base::BoundedQueue<ViewItem> queue(kReadAhead);
    std::atomic<bool> writerDone{false};
    bool finished = true;
    std::exception_ptr readFailure;
    std::thread readerThread([&] {
        try {
            finished = reader.Read(entries, [&] { return writerDone.load() || run.StopRequested(); },
                                   [&](ViewItem&& item) { queue.Push(std::move(item)); });
        } catch (...) {
            readFailure = std::current_exception();
        }
        queue.Close();
    });
    // However the writing ends, the reader is told and waited for.
    auto endReading = [&] {
        writerDone = true;
        queue.Cancel();
        if (readerThread.joinable()) readerThread.join();
    };
    bool interrupted = false;
    try {
        while (std::optional<ViewItem> item = queue.Pop()) {
            // A stop request ends the writing where it stands, as it ends
            // the reading one after the other.
            if (run.StopRequested() || !WriteItem(run, target, *item)) {
                interrupted = true;
                break;
            }
        }
    } catch (...) {
        endReading();
        throw;
    }
    endReading();
    if (readFailure) std::rethrow_exception(readFailure);
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
    const bool readAhead = run.request.readAhead && !run.options.skipSaved;
    const bool completed = readAhead ? ReadAheadAndWrite(run, target, reader, entries) : ReadAndWrite(run, target, reader, entries);
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
