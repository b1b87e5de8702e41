// What a run does with each document in the folder it writes, given what
// earlier runs saved there: add a new item, replace the earlier one in place,
// or leave it. The one rule every target follows with "Ignore already saved
// message"; without it every document is added, as it always was.
#pragma once

#include <store/saved_index.h>

#include <mapi/source_identity.h>

#include <functional>
#include <string>
#include <unordered_map>
#include <utility>

namespace exporting {

enum class SavedAction {
    Add,      // nothing of the document was saved there
    Replace,  // saved, and the document changed since: the earlier item is rewritten in place
    Skip,     // saved, and unchanged
};

template <class Where>
struct SavedChoice {
    SavedAction action = SavedAction::Add;
    const Where* where = nullptr;  // the earlier item (Replace, Skip)
};

// The saved state of one target folder: what earlier runs saved there (read
// once, when the folder is prepared) and how often this run met each
// document in it. A view that lists a document twice (once per category)
// writes it twice; the n-th meeting pairs with its n-th saved place, so a
// resumed run ends with what one uninterrupted run writes.
template <class Where>
class SavedFolder {
public:
    // Off: every document is added.
    void Reset() { *this = SavedFolder(); }
    void Reset(store::SavedIndex<Where> saved) {
        Reset();
        on_ = true;
        saved_ = std::move(saved);
    }
    bool On() const { return on_; }
    store::SavedIndex<Where>& Saved() { return saved_; }

    // Decides for the document's next meeting in the folder. A document
    // without an identity cannot be found again: it is added.
    SavedChoice<Where> Choose(const mapi::SourceIdentity& source) {
        if (!on_ || !source.Valid()) return {};
        const SavedChoice<Where> choice = Peek(source);
        ++met_[source.unid];
        return choice;
    }
    // True when Choose would leave the document (Skip) and usable accepts
    // its earlier place: the meeting is counted then, and only then.
    bool TakeSkip(const mapi::SourceIdentity& source, const std::function<bool(const Where&)>& usable) {
        const SavedChoice<Where> choice = Peek(source);
        if (choice.action != SavedAction::Skip || !usable(*choice.where)) return false;
        ++met_[source.unid];
        return true;
    }
    // What Choose would decide, without counting the meeting.
    SavedChoice<Where> Peek(const mapi::SourceIdentity& source) const {
        if (!on_ || !source.Valid()) return {};
        const auto met = met_.find(source.unid);
        const auto* saved = saved_.Find(source.database, source.unid, met == met_.end() ? 0 : met->second);
        if (!saved) return {};
        switch (mapi::CompareWithSaved(&saved->identity, source)) {
        case mapi::SavedState::Unchanged: return {SavedAction::Skip, &saved->where};
        case mapi::SavedState::Changed: return {SavedAction::Replace, &saved->where};
        case mapi::SavedState::NotSaved: break;
        }
        return {};
    }

private:
    bool on_ = false;
    store::SavedIndex<Where> saved_;
    std::unordered_map<std::string, size_t> met_;  // by universal id: one run reads one database
};

}  // namespace exporting
