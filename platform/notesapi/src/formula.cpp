#include "formula.h"

#include "formula_node.h"
#include "index.h"

#include <cctype>
#include <unordered_map>
#include <unordered_set>

namespace notesapi {

namespace {

using NodePtr = std::unique_ptr<FormulaNode>;

// Lists with more literals than this get a set for comparisons.
constexpr size_t kSetThreshold = 16;

NodePtr Make(NodeKind k) {
    auto n = std::make_unique<FormulaNode>();
    n->kind = k;
    return n;
}

struct SyntaxError {
    std::string what;
};

// Joins Lists into one, keeping each literal and each item once.
class ListBuilder {
public:
    ListBuilder() : node_(Make(NodeKind::List)) {}
    void Add(NodePtr part) {
        for (auto& c : part->constants)
            if (seenConstants_.insert(c).second) node_->constants.push_back(std::move(c));
        for (uint32_t s : part->slots)
            if (seenSlots_.insert(s).second) node_->slots.push_back(s);
    }
    NodePtr Finish() {
        if (node_->constants.size() > kSetThreshold)
            node_->constantSet = std::make_unique<FormulaValueSet>(node_->constants.begin(), node_->constants.end());
        return std::move(node_);
    }

private:
    NodePtr node_;
    std::unordered_set<std::string> seenConstants_;
    std::unordered_set<uint32_t> seenSlots_;
};

class Parser {
public:
    Parser(std::string_view s, std::vector<std::string>* items) : s_(s), items_(items) {}

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
            if (base::AsciiLower(s_[pos_ + i]) != kw[i]) return false;
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
    uint32_t Slot(const std::string& lowerName) {
        auto [it, added] = slots_.emplace(lowerName, uint32_t(items_->size()));
        if (added) items_->push_back(lowerName);
        return it->second;
    }

    // term (op term)*, one node with every term as an operand.
    template <typename Term>
    NodePtr Chain(char op, NodeKind kind, Term term) {
        NodePtr first = term();
        Skip();
        if (Peek() != op) return first;
        RequireBoolean(*first);
        NodePtr chain = Make(kind);
        chain->operands.push_back(std::move(first));
        for (; Peek() == op; Skip()) {
            ++pos_;
            NodePtr next = term();
            RequireBoolean(*next);
            chain->operands.push_back(std::move(next));
        }
        return chain;
    }
    NodePtr Or() { return Chain('|', NodeKind::Or, [this] { return And(); }); }
    NodePtr And() { return Chain('&', NodeKind::And, [this] { return Not(); }); }

    struct Nesting {
        explicit Nesting(int* depth) : depth_(depth) {
            if (++*depth_ > Formula::kMaxNesting) throw SyntaxError{"it is nested too deeply"};
        }
        ~Nesting() { --*depth_; }
        int* depth_;
    };

    NodePtr Not() {
        Skip();
        if (Peek() == '!' && !(pos_ + 1 < s_.size() && s_[pos_ + 1] == '=')) {
            ++pos_;
            Nesting guard(&depth_);
            NodePtr n = Not();
            RequireBoolean(*n);
            NodePtr out = Make(NodeKind::Not);
            out->operands.push_back(std::move(n));
            return out;
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
        NodePtr out = Make(k);
        out->operands.push_back(std::move(l));
        out->operands.push_back(std::move(r));
        return out;
    }
    NodePtr List() {
        NodePtr first = Primary();
        Skip();
        if (Peek() != ':') return first;
        RequireValue(*first);
        ListBuilder list;
        list.Add(std::move(first));
        for (; Peek() == ':'; Skip()) {
            ++pos_;
            NodePtr next = Primary();
            RequireValue(*next);
            list.Add(std::move(next));
        }
        return list.Finish();
    }
    NodePtr Constant(std::string text) {
        NodePtr n = Make(NodeKind::List);
        n->constants.push_back(std::move(text));
        return n;
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
        if (c == '"' || c == '{') return Constant(StringLiteral());
        if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t start = pos_;
            while (std::isdigit(static_cast<unsigned char>(Peek())) || Peek() == '.') ++pos_;
            return Constant(std::string(s_.substr(start, pos_ - start)));
        }
        if (c == '@') return Function();
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '$' || c == '_') {
            NodePtr n = Make(NodeKind::List);
            n->slots.push_back(Slot(Name()));
            return n;
        }
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
            NodePtr n = Make(name == "isavailable" ? NodeKind::IsAvailable : NodeKind::IsUnavailable);
            n->slot = Slot(item);
            return n;
        }
        throw SyntaxError{"the function @" + name + " is not supported"};
    }

    std::string_view s_;
    size_t pos_ = 0;
    int depth_ = 0;
    std::vector<std::string>* items_;
    std::unordered_map<std::string, uint32_t> slots_;
};

std::string Excerpt(std::string_view text) { return std::string(text.substr(0, 200)); }

}  // namespace

Formula::~Formula() = default;

Failure Formula::Parse(std::string_view text, std::unique_ptr<Formula>* out) {
    if (text.size() > kMaxTextBytes)
        return NotesError(LNERR_FORMULA, "The formula " + Excerpt(text) + " is not supported: it is longer than " +
                                             std::to_string(kMaxTextBytes / (1024 * 1024)) + " MB.");
    try {
        std::unique_ptr<Formula> f(new Formula());
        f->root_ = Parser(text, &f->items_).ParseAll();
        f->text_ = Excerpt(text);
        *out = std::move(f);
        return std::nullopt;
    } catch (const SyntaxError& e) {
        return NotesError(LNERR_FORMULA, "The formula " + Excerpt(text) + " is not supported: " + e.what + ".");
    }
}

}  // namespace notesapi
