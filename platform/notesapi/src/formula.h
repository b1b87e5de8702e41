// The part of the Notes formula language that selection formulas of contact
// views use: SELECT, @All, @IsAvailable, @IsUnavailable, =, !=, <>, |, &, !,
// parentheses, ":" lists, string and number literals and item names (matched
// case-insensitively). A list equals a value when any of its values does.
//
// Chains of |, & and : are kept flat, so no part of parsing, evaluating or
// freeing a formula goes deeper than its parentheses and ! nest (at most
// kMaxNesting), however long it is. One evaluation looks each item up once,
// and compares lists through hash sets, so its time grows with the formula and
// the document's values, not with their product.
#pragma once

#include "failure.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace notesapi {

struct FormulaNode;

class Formula {
public:
    // Values of an item by lower-case name; nullopt when the document lacks it.
    using Lookup = std::function<std::optional<std::vector<std::string>>(const std::string& lowerName)>;

    static constexpr int kMaxNesting = 200;
    static constexpr size_t kMaxTextBytes = 4 * 1024 * 1024;
    // Values one evaluation may gather into lists that mix items and
    // literals; a formula that needs more fails instead of exhausting memory.
    static constexpr size_t kMaxListValues = 4'000'000;

    // Parses text; an unsupported construct gives an error of kind LNERR_FORMULA whose text
    // names it.
    static Failure Parse(std::string_view text, std::unique_ptr<Formula>* out);
    ~Formula();

    // Lower-case names of every item the formula reads, in order of first use.
    const std::vector<std::string>& ReferencedItems() const { return items_; }
    // Evaluates the formula for one document; an error of kind LNERR_FORMULA when it needs
    // more than kMaxListValues values.
    Failure Evaluate(const Lookup& lookup, bool* matches) const;
    // The same, false when the evaluation fails.
    bool Matches(const Lookup& lookup) const;

private:
    Formula() = default;
    std::unique_ptr<FormulaNode> root_;
    std::vector<std::string> items_;  // by slot
    std::string text_;                // the start of the text, for messages
};

}  // namespace notesapi
