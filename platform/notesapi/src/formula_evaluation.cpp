// Evaluating a parsed formula for one document. Each item is looked up once;
// its values get a hash set and an "all values alike" mark the first time a
// comparison needs them, so a long chain of tests on one item costs little
// per test. = is true when some value of one side equals some value of the
// other; as in Notes, != is true when some pair of values differs.
#include "formula.h"

#include "formula_node.h"

namespace notesapi {

namespace {

struct TooManyValues {};

// Comparisons of lists smaller than this product compare every pair.
constexpr size_t kPairwiseLimit = 64;

bool AllAlike(const FormulaValues& v) {
    for (const auto& x : v)
        if (x != v.front()) return false;
    return true;
}

class Evaluation {
public:
    Evaluation(const Formula::Lookup& lookup, const std::vector<std::string>& items)
        : lookup_(lookup), items_(items), slots_(items.size()) {}

    bool Bool(const FormulaNode& n) {
        switch (n.kind) {
        case NodeKind::Or:
            for (const auto& o : n.operands)
                if (Bool(*o)) return true;
            return false;
        case NodeKind::And:
            for (const auto& o : n.operands)
                if (!Bool(*o)) return false;
            return true;
        case NodeKind::Not: return !Bool(*n.operands[0]);
        case NodeKind::Equal: {
            Side a, b;
            Values(*n.operands[0], &a);
            Values(*n.operands[1], &b);
            return AnyEqual(a, b);
        }
        case NodeKind::NotEqual: {
            Side a, b;
            Values(*n.operands[0], &a);
            Values(*n.operands[1], &b);
            if (a.values->empty() || b.values->empty()) return false;
            return !(a.alike && b.alike && a.values->front() == b.values->front());
        }
        case NodeKind::All: return true;
        case NodeKind::IsAvailable: return Fetch(n.slot).values.has_value();
        case NodeKind::IsUnavailable: return !Fetch(n.slot).values.has_value();
        case NodeKind::List: return false;
        }
        return false;
    }

private:
    struct Slot {
        bool fetched = false;
        std::optional<FormulaValues> values;
        std::unique_ptr<FormulaValueSet> set;
        int alike = -1;  // unknown until a != asks
    };
    // One side of a comparison: its values, their set when one is at hand,
    // whether they are all alike, and the slot whose set can still be made.
    struct Side {
        const FormulaValues* values = nullptr;
        const FormulaValueSet* set = nullptr;
        bool alike = true;
        Slot* slot = nullptr;
        FormulaValues owned;  // for a list that joins items
    };

    Slot& Fetch(uint32_t s) {
        Slot& slot = slots_[s];
        if (!slot.fetched) {
            slot.fetched = true;
            slot.values = lookup_(items_[s]);
        }
        return slot;
    }
    const FormulaValues& SlotValues(Slot& slot) {
        static const FormulaValues kAbsent{""};  // an absent item reads as empty text
        return slot.values ? *slot.values : kAbsent;
    }

    void Values(const FormulaNode& n, Side* side) {
        if (n.slots.empty()) {
            side->values = &n.constants;
            side->set = n.constantSet.get();
            side->alike = n.constants.size() <= 1;
            return;
        }
        if (n.constants.empty() && n.slots.size() == 1) {
            Slot& slot = Fetch(n.slots[0]);
            side->values = &SlotValues(slot);
            side->set = slot.set.get();
            if (slot.alike < 0) slot.alike = AllAlike(*side->values) ? 1 : 0;
            side->alike = slot.alike == 1;
            side->slot = &slot;
            return;
        }
        gathered_ += n.constants.size();
        for (uint32_t s : n.slots) gathered_ += SlotValues(Fetch(s)).size();
        if (gathered_ > Formula::kMaxListValues) throw TooManyValues{};
        side->owned = n.constants;
        for (uint32_t s : n.slots) {
            const FormulaValues& v = SlotValues(Fetch(s));
            side->owned.insert(side->owned.end(), v.begin(), v.end());
        }
        side->values = &side->owned;
        side->alike = AllAlike(side->owned);
    }

    static bool Probe(const FormulaValues& small, const FormulaValueSet& set) {
        for (const auto& x : small)
            if (set.count(x)) return true;
        return false;
    }
    bool AnyEqual(Side& a, Side& b) {
        Side& small = a.values->size() <= b.values->size() ? a : b;
        Side& large = &small == &a ? b : a;
        if (large.set) return Probe(*small.values, *large.set);
        if (small.values->size() * large.values->size() <= kPairwiseLimit) {
            for (const auto& x : *small.values)
                for (const auto& y : *large.values)
                    if (x == y) return true;
            return false;
        }
        if (large.slot) {
            large.slot->set = std::make_unique<FormulaValueSet>(large.values->begin(), large.values->end());
            return Probe(*small.values, *large.slot->set);
        }
        FormulaValueSet set(large.values->begin(), large.values->end());
        return Probe(*small.values, set);
    }

    const Formula::Lookup& lookup_;
    const std::vector<std::string>& items_;
    std::vector<Slot> slots_;
    size_t gathered_ = 0;
};

}  // namespace

Failure Formula::Evaluate(const Lookup& lookup, bool* matches) const {
    try {
        *matches = Evaluation(lookup, items_).Bool(*root_);
        return std::nullopt;
    } catch (const TooManyValues&) {
        *matches = false;
        return NotesError(LNERR_FORMULA, "The formula " + text_ + " is not supported: its lists would hold more than " +
                                             std::to_string(kMaxListValues) + " values for one document.");
    }
}

bool Formula::Matches(const Lookup& lookup) const {
    bool matches = false;
    return !Evaluate(lookup, &matches) && matches;
}

}  // namespace notesapi
