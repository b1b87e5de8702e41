#include "formula.h"

#include <gtest/gtest.h>

#include <map>
#include "growth.h"

using notesapi::Formula;

namespace {

// A document: lower-case item name -> values.
using Doc = std::map<std::string, std::vector<std::string>>;

bool Matches(const std::string& text, const Doc& doc) {
    std::unique_ptr<Formula> f;
    const auto failure = Formula::Parse(text, &f);
    EXPECT_FALSE(failure) << text << ": " << failure->what();
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
        const auto failure = Formula::Parse(text, &f);
        ASSERT_TRUE(failure) << text;
        EXPECT_EQ(failure->Kind(), LNERR_FORMULA) << text;
        EXPECT_NE(std::string(failure->what()).find("not supported"), std::string::npos) << text;
    }
    std::string deep(100000, '(');
    std::unique_ptr<Formula> f;
    EXPECT_EQ(Formula::Parse("SELECT " + deep, &f).value().Kind(), LNERR_FORMULA);
}

TEST(Formula, ListsTheItemsItReads) {
    std::unique_ptr<Formula> f;
    ASSERT_FALSE(Formula::Parse("SELECT Form = \"Person\" & @IsAvailable(Categories) | FORM = \"x\"", &f));
    EXPECT_EQ(f->ReferencedItems(), (std::vector<std::string>{"form", "categories"}));
}

namespace {

// first, then n - 1 more terms "prefix<i>suffix", joined by separator.
std::string Joined(const std::string& first, const std::string& separator, const std::string& prefix,
                   const std::string& suffix, int n) {
    std::string out = first;
    for (int i = 1; i < n; ++i) out += separator + prefix + std::to_string(i) + suffix;
    return out;
}

}  // namespace

TEST(Formula, ChainsOfAHundredThousandTermsParseEvaluateAndFree) {
    const Doc person{{"form", {"Person"}}};
    const Doc group{{"form", {"Group"}}};
    const std::string anyOf = Joined("Form = \"Person\"", " | ", "Form = \"X", "\"", 100000);
    const std::string allOf = Joined("Form = \"Person\"", " & ", "Form != \"X", "\"", 100000);
    const std::string list = "Form = " + Joined("\"Person\"", ":", "\"X", "\"", 100000);
    for (const std::string* text : {&anyOf, &allOf, &list}) {
        EXPECT_TRUE(Matches(*text, person)) << text->substr(0, 40);
        EXPECT_FALSE(Matches(*text, group)) << text->substr(0, 40);
    }
    // Nesting is what stays bounded.
    std::string nested = "Form = \"Person\"";
    for (int i = 0; i < Formula::kMaxNesting; ++i) nested = "!(" + nested + ")";
    std::unique_ptr<Formula> f;
    EXPECT_EQ(Formula::Parse("!" + nested, &f).value().Kind(), LNERR_FORMULA);
    EXPECT_EQ(Formula::Parse(std::string(Formula::kMaxTextBytes + 1, ' ') + "@All", &f).value().Kind(), LNERR_FORMULA);
}

TEST(Formula, LongListsCompareInLinearTime) {
    // Two lists of n values that meet only at their ends, evaluated for 50
    // documents: pair by pair this is 50 * n * n comparisons.
    auto evaluate = [](int n) {
        const std::string last = "\"a" + std::to_string(n - 1) + "\"";
        std::string text = Joined("\"a0\"", ":", "\"a", "\"", n) + " = " + Joined("\"b0\"", ":", "\"b", "\"", n) + ":" + last;
        std::vector<std::string> many;
        for (int i = 0; i < n; ++i) many.push_back("v" + std::to_string(i));
        const Doc doc{{"categories", many}};
        const std::string lastValue = "v" + std::to_string(n - 1);
        for (int d = 0; d < 50; ++d) {
            EXPECT_TRUE(Matches(text, doc));
            EXPECT_TRUE(Matches("Categories = \"" + lastValue + "\":\"w\" & Categories != \"v0\" & !(Categories = \"w\")", doc));
        }
    };
    EXPECT_LT(testsupport::GrowthRatio(evaluate, 5000, 20000), testsupport::LinearGrowthBound(5000, 20000));
}

TEST(Formula, ListsKeepTheirMeaningWhateverTheyRepeat) {
    const Doc doc{{"a", {"x", "y"}}, {"b", {"y"}}, {"same", {"z", "z"}}};
    struct Case {
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"\"a\":\"a\" != \"a\"", false},  // no pair differs
        {"\"a\":\"b\" != \"a\"", true},
        {"Same != \"z\"", false},
        {"Same:Same:\"z\" != \"z\"", false},
        {"A != \"x\"", true},
        {"A:\"q\" = B", true},
        {"(\"q\":A):\"r\" = \"y\"", true},
        {"A:A:A = \"w\":\"v\"", false},
        {"Missing:\"\" = \"\" & @IsUnavailable(Missing) & @IsAvailable(A)", true},
        {"B = A & A = B & !(A != B)", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Matches(c.text, doc), c.matches) << c.text;
}
