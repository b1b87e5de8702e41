#include "formula.h"

#include <gtest/gtest.h>

#include <map>

using notesapi::Formula;

namespace {

// A document: lower-case item name -> values.
using Doc = std::map<std::string, std::vector<std::string>>;

bool Matches(const std::string& text, const Doc& doc) {
    std::unique_ptr<Formula> f;
    LNSTATUS st = Formula::Parse(text, &f);
    EXPECT_EQ(st, LNNOERROR) << text << ": " << LNGetErrorMessage(st);
    if (!f) return false;
    return f->Matches([&](const std::string& name) -> std::optional<std::vector<std::string>> {
        auto it = doc.find(name);
        if (it == doc.end()) return std::nullopt;
        return it->second;
    });
}

}  // namespace

TEST(Formula, EvaluatesTheSelectionSubset) {
    const Doc person{{"form", {"Person"}}, {"categories", {"Friends", "Golf"}}, {"company", {""}}};
    const Doc group{{"form", {"Group"}}};
    struct Case {
        const char* text;
        bool person, group;
    };
    const Case cases[] = {
        {"SELECT @All", true, true},
        {"Form = \"Person\"", true, false},
        {"select form=\"Person\";", true, false},
        {"SELECT FORM != \"Person\"", false, true},
        {"SELECT Form <> \"Group\"", true, false},
        {"SELECT Form = \"Person\" | Form = \"Group\"", true, true},
        {"SELECT Form = \"Person\" & @IsAvailable(Categories)", true, false},
        {"SELECT !@IsAvailable(Categories)", false, true},
        {"SELECT @IsUnavailable(Categories)", false, true},
        {"SELECT Categories = \"Golf\"", true, false},           // any value of a list
        {"SELECT Categories = \"Golf\":\"Chess\"", true, false},  // list against list
        {"SELECT !(Form = \"Person\" | Form = \"Group\")", false, false},
        {"SELECT Form = {Person}", true, false},
        {"SELECT Missing = \"\"", true, true},  // an absent item reads as empty text
        {"SELECT Company = \"\" & Form = \"Person\"", true, false},
        {"SELECT form = \"person\"", false, false},  // values compare exactly
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Matches(c.text, person), c.person) << c.text;
        EXPECT_EQ(Matches(c.text, group), c.group) << c.text;
    }
}

TEST(Formula, RefusesWhatItDoesNotKnowWithAMessage) {
    const char* unsupported[] = {
        "SELECT @Contains(Form; \"P\")", "SELECT Form = ", "SELECT (Form = \"Person\"", "SELECT Form",
        "SELECT \"abc", "SELECT Form = \"A\" + \"B\"", "SELECT @IsAvailable()", "",
    };
    for (const char* text : unsupported) {
        std::unique_ptr<Formula> f;
        LNSTATUS st = Formula::Parse(text, &f);
        EXPECT_EQ(notesapi::StatusKind(st), LNERR_FORMULA) << text;
        EXPECT_NE(LNGetErrorMessage(st).find("not supported"), std::string::npos) << text;
    }
    std::string deep(100000, '(');
    std::unique_ptr<Formula> f;
    EXPECT_EQ(notesapi::StatusKind(Formula::Parse("SELECT " + deep, &f)), LNERR_FORMULA);
}

TEST(Formula, ListsTheItemsItReads) {
    std::unique_ptr<Formula> f;
    ASSERT_EQ(Formula::Parse("SELECT Form = \"Person\" & @IsAvailable(Categories) | FORM = \"x\"", &f), LNNOERROR);
    EXPECT_EQ(f->ReferencedItems(), (std::vector<std::string>{"form", "categories"}));
}
