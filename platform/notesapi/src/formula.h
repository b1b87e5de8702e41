// The part of the Notes formula language that selection formulas of contact
// views use: SELECT, @All, @IsAvailable, @IsUnavailable, =, !=, <>, |, &, !,
// parentheses, ":" lists, string and number literals and item names (matched
// case-insensitively). A list equals a value when any of its values does.
#pragma once

#include <notesapi/lnstatus.h>

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

    // Parses text; an unsupported construct gives LNERR_FORMULA whose message
    // names it.
    static LNSTATUS Parse(std::string_view text, std::unique_ptr<Formula>* out);
    ~Formula();

    // Lower-case names of every item the formula reads.
    std::vector<std::string> ReferencedItems() const;
    bool Matches(const Lookup& lookup) const;

private:
    Formula() = default;
    std::unique_ptr<FormulaNode> root_;
};

}  // namespace notesapi
