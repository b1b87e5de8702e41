// The parsed form of a formula, shared by the parser and the evaluation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace notesapi {

enum class NodeKind { Or, And, Not, Equal, NotEqual, List, All, IsAvailable, IsUnavailable };

using FormulaValues = std::vector<std::string>;
using FormulaValueSet = std::unordered_set<std::string_view>;

// A value is a List: literals and item values joined by ":". A literal is a
// List of one constant, an item name a List of one slot. Equal values and
// repeated items are kept once, which changes neither = nor !=.
struct FormulaNode {
    NodeKind kind = NodeKind::List;
    // Or and And: two or more operands; Not: one; Equal and NotEqual: two Lists.
    std::vector<std::unique_ptr<FormulaNode>> operands;
    // IsAvailable and IsUnavailable: the item's slot.
    uint32_t slot = 0;
    // List: distinct literals in order of first use, and distinct item slots.
    FormulaValues constants;
    std::vector<uint32_t> slots;
    // List: a set over constants when there are many of them.
    std::unique_ptr<FormulaValueSet> constantSet;

    bool IsBoolean() const { return kind != NodeKind::List; }
};

}  // namespace notesapi
