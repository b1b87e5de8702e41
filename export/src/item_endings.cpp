#include "item_endings.h"

#include "run_context.h"

#include <notes/field_rules.h>

namespace exporting {

namespace {

void Count(ExportTotals& totals, WriteResult result) {
    switch (result) {
    case WriteResult::Written: ++totals.written; break;
    case WriteResult::Skipped:
    case WriteResult::AlreadySaved: ++totals.skipped; break;
    case WriteResult::Failed: ++totals.failed; break;
    case WriteResult::Stopped:
    case WriteResult::Pending: break;
    }
}

}  // namespace

bool ItemEndings::Add(ItemEnding ending) {
    waiting_.push_back(std::move(ending));
    return Flush(false);
}

bool ItemEndings::Drain() { return Flush(true); }

bool ItemEndings::Flush(bool wait) {
    while (!waiting_.empty()) {
        ItemEnding& next = waiting_.front();
        if (next.result == WriteResult::Pending) {
            const std::optional<WriteResult> settled = target_.NextSettled(wait);
            if (!settled) break;
            next.result = *settled;
        }
        // Those on their way behind one a stop ended still come: what they
        // wrote is logged and counted.
        if (next.result == WriteResult::Stopped) stopped_ = true;
        else End(next);
        waiting_.pop_front();
    }
    return !stopped_;
}

void ItemEndings::End(const ItemEnding& e) {
    if (!e.unreadable.empty()) {
        // Never left out unsaid: its contact is not written.
        ++run_.outcome.totals.failed;
        run_.LogError(e.unreadable);
        run_.CountDone();
        return;
    }
    Count(run_.outcome.totals, e.result);
    target_.Commit(true);
    if (e.result == WriteResult::AlreadySaved) {
        run_.Log("Already saved: " + e.name, kColourSkip);
    } else if (e.group && e.result == WriteResult::Skipped) {
        // The target that leaves a list out has logged why; it was not exported.
    } else {
        run_.Log("Export Items: " + e.name);
        if (!e.group && e.result == WriteResult::Written) {
            // Values longer than a contact property holds were cut when they were read.
            for (const std::string& item : e.cutItems)
                run_.Log("Cut to " + std::to_string(notes::kMaxValueChars) + " characters: " + item + " of " + e.name,
                         kColourSkip);
            // Files the contact was written without, each logged and counted.
            for (const std::string& why : e.attachmentsLeftOut) {
                run_.LogError("Attachment left out: " + why + " (" + e.name + ")");
                ++run_.outcome.totals.attachmentsLeftOut;
            }
        }
    }
    run_.CountDone();
}

}  // namespace exporting
