// What a run does with each document in the folder it writes, given what
// earlier runs saved there: add a new item, replace the earlier one in place,
// or leave it. The one rule every target follows with "Ignore already saved
// message"; without it every document is added, as it always was.
#pragma once

#include <store/saved_index.h>

#include <mapi/source_identity.h>

#include <functional>
#include <string>
#include <vector>
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
    // What was saved, to change before the first document is met.
    store::SavedIndex<Where>& Saved() { return saved_; }

    // Decides for the document's next meeting in the folder. A document
    // without an identity cannot be found again: it is added.
    SavedChoice<Where> Choose(const mapi::SourceIdentity& source) {
        const Meeting m = Meet(source);
        if (m.first != kNone) CountMeeting(m.first);
        return m.choice;
    }
    // True when Choose would leave the document (Skip) and usable accepts
    // its earlier place: the meeting is counted then, and only then.
    bool TakeSkip(const mapi::SourceIdentity& source, const std::function<bool(const Where&)>& usable) {
        const Meeting m = Meet(source);
        if (m.choice.action != SavedAction::Skip || !usable(*m.choice.where)) return false;
        CountMeeting(m.first);
        return true;
    }
    // What Choose would decide, without counting the meeting.
    SavedChoice<Where> Peek(const mapi::SourceIdentity& source) const { return Meet(source).choice; }

private:
    static constexpr auto kNone = store::SavedIndex<Where>::kNone;
    struct Meeting {
        SavedChoice<Where> choice;
        typename store::SavedIndex<Where>::Handle first = kNone;  // the document's, where it was saved
    };
    Meeting Meet(const mapi::SourceIdentity& source) const {
        if (!on_ || !source.Valid()) return {};
        Meeting m;
        m.first = saved_.First(source.database, source.unid);
        if (m.first == kNone) return m;
        const auto* saved = saved_.Nth(m.first, m.first < met_.size() ? met_[m.first] : 0);
        if (!saved) return m;
        switch (mapi::CompareWithSaved(&saved->identity, source)) {
        case mapi::SavedState::Unchanged: m.choice = {SavedAction::Skip, &saved->where}; break;
        case mapi::SavedState::Changed: m.choice = {SavedAction::Replace, &saved->where}; break;
        case mapi::SavedState::NotSaved: break;
        }
        return m;
    }

    void CountMeeting(typename store::SavedIndex<Where>::Handle first) {
        if (met_.size() <= first) met_.resize(saved_.Nodes(), 0);
        ++met_[first];
    }

    bool on_ = false;
    store::SavedIndex<Where> saved_;
    // Meetings of each document that was saved, by its first record's node
    // (none yet past the end): only those documents are looked up, and a
    // view meets one database's.
    std::vector<uint32_t> met_;
};

}  // namespace exporting
