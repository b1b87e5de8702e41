#include "formula.h"

#include "index.h"

#include <algorithm>
#include <cctype>

namespace notesapi {

enum class NodeKind { Or, And, Not, Equal, NotEqual, Concat, Text, Item, All, IsAvailable, IsUnavailable };

struct FormulaNode {
    NodeKind kind;
    std::string text;  // literal or lower-case item name
    std::unique_ptr<FormulaNode> left, right;
    bool IsBoolean() const {
        return kind == NodeKind::Or || kind == NodeKind::And || kind == NodeKind::Not || kind == NodeKind::Equal ||
               kind == NodeKind::NotEqual || kind == NodeKind::All || kind == NodeKind::IsAvailable ||
               kind == NodeKind::IsUnavailable;
    }
};

namespace {

using NodePtr = std::unique_ptr<FormulaNode>;

NodePtr Make(NodeKind k, std::string text = {}, NodePtr l = nullptr, NodePtr r = nullptr) {
    auto n = std::make_unique<FormulaNode>();
    n->kind = k;
    n->text = std::move(text);
    n->left = std::move(l);
    n->right = std::move(r);
    return n;
}

struct SyntaxError {
    std::string what;
};

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    NodePtr ParseAll() {
        Skip();
        if (Keyword("select")) Skip();
        NodePtr n = Or();
        Skip();
        if (Peek() == ';') { ++pos_; Skip(); }
        if (pos_ != s_.size()) throw SyntaxError{"unexpected text \"" + std::string(s_.substr(pos_, 20)) + "\""};
        RequireBoolean(*n);
        return n;
    }

private:
    char Peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }
    void Skip() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool Keyword(std::string_view kw) {
        if (s_.size() - pos_ < kw.size()) return false;
        for (size_t i = 0; i < kw.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(s_[pos_ + i])) != kw[i]) return false;
        size_t end = pos_ + kw.size();
        if (end < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[end])) || s_[end] == '_')) return false;
        pos_ = end;
        return true;
    }
    static void RequireBoolean(const FormulaNode& n) {
        if (!n.IsBoolean()) throw SyntaxError{"a value is used where true or false is needed"};
    }
    static void RequireValue(const FormulaNode& n) {
        if (n.IsBoolean()) throw SyntaxError{"true or false is used where a value is needed"};
    }

    NodePtr Or() {
        NodePtr l = And();
        for (Skip(); Peek() == '|'; Skip()) {
            ++pos_;
            NodePtr r = And();
            RequireBoolean(*l);
            RequireBoolean(*r);
            l = Make(NodeKind::Or, {}, std::move(l), std::move(r));
        }
        return l;
    }
    NodePtr And() {
        NodePtr l = Not();
        for (Skip(); Peek() == '&'; Skip()) {
            ++pos_;
            NodePtr r = Not();
            RequireBoolean(*l);
            RequireBoolean(*r);
            l = Make(NodeKind::And, {}, std::move(l), std::move(r));
        }
        return l;
    }
    struct Nesting {
        explicit Nesting(int* depth) : depth_(depth) {
            if (++*depth_ > kMaxDepth) throw SyntaxError{"it is nested too deeply"};
        }
        ~Nesting() { --*depth_; }
        int* depth_;
    };
    static constexpr int kMaxDepth = 200;

    NodePtr Not() {
        Skip();
        if (Peek() == '!' && !(pos_ + 1 < s_.size() && s_[pos_ + 1] == '=')) {
            ++pos_;
            Nesting guard(&depth_);
            NodePtr n = Not();
            RequireBoolean(*n);
            return Make(NodeKind::Not, {}, std::move(n));
        }
        return Compare();
    }
    NodePtr Compare() {
        NodePtr l = List();
        Skip();
        NodeKind k;
        if (Peek() == '=') { pos_ += 1; k = NodeKind::Equal; }
        else if (s_.substr(pos_, 2) == "!=" || s_.substr(pos_, 2) == "<>") { pos_ += 2; k = NodeKind::NotEqual; }
        else return l;
        NodePtr r = List();
        RequireValue(*l);
        RequireValue(*r);
        return Make(k, {}, std::move(l), std::move(r));
    }
    NodePtr List() {
        NodePtr l = Primary();
        for (Skip(); Peek() == ':'; Skip()) {
            ++pos_;
            NodePtr r = Primary();
            RequireValue(*l);
            RequireValue(*r);
            l = Make(NodeKind::Concat, {}, std::move(l), std::move(r));
        }
        return l;
    }
    NodePtr Primary() {
        Skip();
        char c = Peek();
        if (c == '(') {
            ++pos_;
            Nesting guard(&depth_);
            NodePtr n = Or();
            Skip();
            if (Peek() != ')') throw SyntaxError{"missing \")\""};
            ++pos_;
            return n;
        }
        if (c == '"' || c == '{') return Make(NodeKind::Text, StringLiteral());
        if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t start = pos_;
            while (std::isdigit(static_cast<unsigned char>(Peek())) || Peek() == '.') ++pos_;
            return Make(NodeKind::Text, std::string(s_.substr(start, pos_ - start)));
        }
        if (c == '@') return Function();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '$' || c == '_') return Make(NodeKind::Item, Name());
        if (c == '\0') throw SyntaxError{"the formula ends too early"};
        throw SyntaxError{std::string("unexpected \"") + c + "\""};
    }
    std::string Name() {
        size_t start = pos_;
        while (std::isalnum(static_cast<unsigned char>(Peek())) || Peek() == '$' || Peek() == '_') ++pos_;
        return AsciiLower(s_.substr(start, pos_ - start));
    }
    std::string StringLiteral() {
        char close = Peek() == '{' ? '}' : '"';
        ++pos_;
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != close) {
            if (close == '"' && s_[pos_] == '\\' && pos_ + 1 < s_.size()) ++pos_;
            out += s_[pos_++];
        }
        if (pos_ >= s_.size()) throw SyntaxError{"a text literal is not closed"};
        ++pos_;
        return out;
    }
    NodePtr Function() {
        ++pos_;
        std::string name = Name();
        if (name == "all") return Make(NodeKind::All);
        if (name == "isavailable" || name == "isunavailable") {
            Skip();
            if (Peek() != '(') throw SyntaxError{"@" + name + " needs an item name in parentheses"};
            ++pos_;
            Skip();
            std::string item = Name();
            Skip();
            if (item.empty() || Peek() != ')') throw SyntaxError{"@" + name + " needs an item name in parentheses"};
            ++pos_;
            return Make(name == "isavailable" ? NodeKind::IsAvailable : NodeKind::IsUnavailable, item);
        }
        throw SyntaxError{"the function @" + name + " is not supported"};
    }

    std::string_view s_;
    size_t pos_ = 0;
    int depth_ = 0;
};

using Values = std::vector<std::string>;

Values EvalValues(const FormulaNode& n, const Formula::Lookup& lookup) {
    switch (n.kind) {
    case NodeKind::Text: return {n.text};
    case NodeKind::Item: return lookup(n.text).value_or(Values{""});
    case NodeKind::Concat: {
        Values l = EvalValues(*n.left, lookup);
        Values r = EvalValues(*n.right, lookup);
        l.insert(l.end(), r.begin(), r.end());
        return l;
    }
    default: return {};
    }
}

bool AnyEqual(const Values& a, const Values& b) {
    for (const auto& x : a)
        if (std::find(b.begin(), b.end(), x) != b.end()) return true;
    return false;
}

bool EvalBool(const FormulaNode& n, const Formula::Lookup& lookup) {
    switch (n.kind) {
    case NodeKind::Or: return EvalBool(*n.left, lookup) || EvalBool(*n.right, lookup);
    case NodeKind::And: return EvalBool(*n.left, lookup) && EvalBool(*n.right, lookup);
    case NodeKind::Not: return !EvalBool(*n.left, lookup);
    case NodeKind::Equal: return AnyEqual(EvalValues(*n.left, lookup), EvalValues(*n.right, lookup));
    // As in Notes, a != b is true when some pair of values differs.
    case NodeKind::NotEqual: {
        Values a = EvalValues(*n.left, lookup), b = EvalValues(*n.right, lookup);
        for (const auto& x : a)
            for (const auto& y : b)
                if (x != y) return true;
        return false;
    }
    case NodeKind::All: return true;
    case NodeKind::IsAvailable: return lookup(n.text).has_value();
    case NodeKind::IsUnavailable: return !lookup(n.text).has_value();
    default: return false;
    }
}

void Collect(const FormulaNode* n, std::vector<std::string>* out) {
    if (!n) return;
    if (n->kind == NodeKind::Item || n->kind == NodeKind::IsAvailable || n->kind == NodeKind::IsUnavailable)
        if (std::find(out->begin(), out->end(), n->text) == out->end()) out->push_back(n->text);
    Collect(n->left.get(), out);
    Collect(n->right.get(), out);
}

}  // namespace

Formula::~Formula() = default;

LNSTATUS Formula::Parse(std::string_view text, std::unique_ptr<Formula>* out) {
    try {
        std::unique_ptr<Formula> f(new Formula());
        f->root_ = Parser(text).ParseAll();
        *out = std::move(f);
        return LNNOERROR;
    } catch (const SyntaxError& e) {
        return MakeStatus(LNERR_FORMULA, "The formula " + std::string(text.substr(0, 200)) +
                                             " is not supported: " + e.what + ".");
    }
}

std::vector<std::string> Formula::ReferencedItems() const {
    std::vector<std::string> names;
    Collect(root_.get(), &names);
    return names;
}

bool Formula::Matches(const Lookup& lookup) const { return EvalBool(*root_, lookup); }

}  // namespace notesapi
