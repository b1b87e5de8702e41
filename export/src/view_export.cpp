#include "view_export.h"

#include "run_context.h"
#include "target.h"
#include "view_reader.h"

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
    // An unchanged document the target holds is left unread.
    std::function<bool(const mapi::SourceIdentity&)> saved;
    if (run.options.skipSaved) saved = [&target](const mapi::SourceIdentity& source) { return target.SavedAndUnchanged(source); };
    bool interrupted = false;
    const bool finished = reader.Read(entries, [&] { return interrupted || run.StopRequested(); },
                                      [&](ViewItem&& item) { interrupted = !WriteItem(run, target, item); }, saved);
    if (!finished || interrupted) {
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
