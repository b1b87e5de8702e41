#include <notes/address_book.h>
#include <notes/field_rules.h>

#include "blanks.h"

#include <base/ascii.h>
#include <notesapi/notesapi.h>

#include <algorithm>
#include <unordered_set>

namespace notes {

namespace {

// "CN=Effi Hoffmann/O=Offizin" -> "Effi Hoffmann/Offizin": each component
// loses its label (CN=, OU=, O=, C=) and surrounding blanks. A Notes domain
// after "@" ("Effi Hoffmann/Offizin@OffizinDomain") is dropped.
std::string Abbreviated(std::string_view name) {
    name = TrimBlanks(name);
    if (size_t at = name.find('@'); at != std::string_view::npos) name = TrimBlanks(name.substr(0, at));
    std::string out;
    for (size_t start = 0;;) {
        const size_t slash = name.find('/', start);
        std::string_view part = name.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (size_t eq = part.find('='); eq != std::string_view::npos && eq <= 2) part = part.substr(eq + 1);
        if (start != 0) out += '/';
        out += TrimBlanks(part);
        if (slash == std::string_view::npos) return out;
        start = slash + 1;
    }
}

std::string Key(std::string_view name) { return base::AsciiLower(Abbreviated(name)); }

std::string FirstComponent(const std::string& abbreviated) { return abbreviated.substr(0, abbreviated.find('/')); }

// "Jane Doe <jane@acme.example>" or "\"Doe, Jane\" <jane@acme.example>": the
// phrase (unquoted) and the address; nothing when text is not of this form.
bool SplitNameAddr(std::string_view text, std::string* phrase, std::string* address) {
    if (text.empty() || text.back() != '>') return false;
    const size_t open = text.rfind('<');
    if (open == std::string_view::npos) return false;
    std::string_view addr = text.substr(open + 1, text.size() - open - 2);
    if (!IsInternetAddress(addr)) return false;
    std::string_view p = TrimBlanks(text.substr(0, open));
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    phrase->clear();
    for (size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '\\' && i + 1 < p.size()) ++i;
        *phrase += p[i];
    }
    *address = std::string(addr);
    return true;
}

const char* ProblemText(MemberProblem p) {
    switch (p) {
        case MemberProblem::NotFound: return "is not a person or group of this database; kept without an address";
        case MemberProblem::Ambiguous: return "names several people; kept without an address";
        case MemberProblem::NoAddress: return "has no Internet address; kept without an address";
        case MemberProblem::Cycle: return "contains the group itself; left out";
    }
    return "";
}

}  // namespace

bool IsInternetAddress(std::string_view text) {
    const size_t at = text.find('@');
    if (at == 0 || at == std::string_view::npos || text.find('@', at + 1) != std::string_view::npos) return false;
    for (unsigned char c : text)
        if (c <= 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == ',' || c == ';') return false;
    const std::string_view domain = text.substr(at + 1);
    const size_t dot = domain.find('.');
    return dot != std::string_view::npos && dot != 0 && domain.back() != '.' && domain.find("..") == std::string_view::npos;
}

std::string DescribeMemberNote(const MemberNote& note) {
    std::string line = "Group \"" + note.group + "\": member \"" + note.member + "\" " + ProblemText(note.problem);
    // Names come from the database: a line break in one must not start a line of its own.
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return line;
}

void AddressBook::AddKey(std::unordered_map<std::string, size_t>& map, const std::string& key, size_t index) {
    if (key.empty()) return;
    auto [it, added] = map.emplace(key, index);
    if (!added && it->second != index) it->second = kSeveral;
}

void AddressBook::AddPerson(const LNDocument& doc) {
    const std::vector<std::string> fullNames = NonBlankValues(doc, "FullName");
    const std::vector<std::string> shortNames = NonBlankValues(doc, "ShortName");
    Person p;
    for (const char* item : {"MailAddress", "InternetAddress"}) {
        std::string a(TrimBlanks(ReadItemText(doc, item, kWindowDefault)));
        if (p.address.empty() && IsInternetAddress(a)) p.address = a;
    }
    if (!fullNames.empty()) p.displayName = FirstComponent(Abbreviated(fullNames.front()));
    if (p.displayName.empty()) {
        std::string first = ReadItemText(doc, "FirstName", kWindowDefault);
        std::string last = ReadItemText(doc, "LastName", kWindowDefault);
        p.displayName = std::string(TrimBlanks(first + (first.empty() || last.empty() ? "" : " ") + last));
    }
    if (p.displayName.empty() && !shortNames.empty()) p.displayName = shortNames.front();
    if (p.displayName.empty()) p.displayName = p.address;
    if (const LNUniversalID unid = doc.GetUniversalID(); !unid.IsNull()) p.unid = unid.GetText().str();

    const size_t index = people_.size();
    for (const auto& name : fullNames) {
        const std::string key = Key(name);
        AddKey(byFullName_, key, index);
        AddKey(byShortName_, FirstComponent(key), index);
        AddKey(byCommonName_, FirstComponent(key), index);
    }
    for (const auto& name : shortNames) AddKey(byShortName_, Key(name), index);
    if (!p.address.empty()) byAddress_.emplace(base::AsciiLower(p.address), index);
    people_.push_back(std::move(p));
}

void AddressBook::AddGroup(const LNDocument& doc) {
    const std::vector<std::string> names = NonBlankValues(doc, "ListName");
    if (names.empty()) return;
    const size_t index = groups_.size();
    for (const auto& name : names)
        if (std::string key = Key(name); !key.empty()) groupByName_.emplace(std::move(key), index);
    groups_.push_back({names.front(), NonBlankValues(doc, "Members")});
}

AddressBook::AddressBook(const LNDatabase& db) {
    LNDocumentArray docs;
    db.Search("Form = \"Person\" | Form = \"Group\"", &docs);
    for (size_t i = 0; i < docs.GetCount(); ++i) {
        try {
            LNDocument doc = docs[i];
            doc.Open();
            latestChange_ = std::max(latestChange_, doc.GetLastModified().ToFileTime());
            if (IsGroupDocument(doc)) AddGroup(doc);
            else AddPerson(doc);
            doc.Close();
        } catch (const notesapi::NotesError&) {
            // A document that cannot be read names nobody.
        }
    }
}

// A member or a note, with (for a note) the group that lists the member and
// its place there. Outside the unnamed namespace: a group's kept expansion
// holds them.
struct ResolvedEntry {
    bool isNote = false;
    ResolvedMember member;
    MemberNote note;
    size_t group = 0, place = 0;
};

namespace {

using Entry = ResolvedEntry;

constexpr size_t kNoGroup = size_t(-1);
constexpr size_t kRootGroup = size_t(-2);  // the group being resolved, as its document lists its members
// A group that resolves to at most this many members and notes keeps what
// it resolves to: enough for a chain of groups, however long, that ends in
// a few members, and never more memory than a few entries per group.
constexpr size_t kKeptUpTo = 256;

// The entries of one resolution in the order met, each member (by address,
// else by name) and each note (by its group and place) once.
class EntryCollector {
public:
    void Member(const std::string& name, const std::string& address, const std::string& unid) {
        if (addresses_.insert(base::AsciiLower(address)).second) Push({false, {name, address, unid}, {}, 0, 0});
    }
    void Unresolved(const std::string& name, MemberNote note, size_t group, size_t place) {
        Note(std::move(note), group, place);
        if (names_.insert(base::AsciiLower(name)).second) Push({false, {name, {}, {}}, {}, 0, 0});
    }
    void Note(MemberNote note, size_t group, size_t place) {
        if (notes_.insert({group, place}).second) Push({true, {}, std::move(note), group, place});
    }
    void Merge(const std::vector<Entry>& more) {
        for (const Entry& e : more) {
            if (e.isNote) Note(e.note, e.group, e.place);
            else if (!e.member.address.empty()) Member(e.member.displayName, e.member.address, e.member.unid);
            else if (names_.insert(base::AsciiLower(e.member.displayName)).second) Push(e);
        }
    }
    std::vector<Entry> entries;

private:
    void Push(Entry e) { entries.push_back(std::move(e)); }
    struct PairHash {
        size_t operator()(const std::pair<size_t, size_t>& p) const { return std::hash<size_t>{}(p.first * 0x9E3779B97F4A7C15ull ^ p.second); }
    };
    std::unordered_set<std::string> addresses_, names_;
    std::unordered_set<std::pair<size_t, size_t>, PairHash> notes_;
};

}  // namespace

struct AddressBook::Expansion {
    std::vector<ResolvedEntry> entries;
};

// How members are read: an address or a person (collected), a name nobody
// has (noted), or a group (returned, for the caller to expand).
class MemberResolver {
public:
    // The group member names, or kNoGroup.
    static size_t NestedGroup(const AddressBook& book, const std::string& member) {
        std::string phrase, address;
        if (IsInternetAddress(member) || SplitNameAddr(member, &phrase, &address)) return kNoGroup;
        const std::string key = Key(member);
        if (book.byFullName_.count(key)) return kNoGroup;
        auto it = book.groupByName_.find(key);
        return it == book.groupByName_.end() ? kNoGroup : it->second;
    }

    // Collects the member at place of group (named name), or returns the
    // index of the group it names.
    static size_t Member(const AddressBook& book, const std::string& member, const std::string& name, size_t group,
                         size_t place, EntryCollector& c) {
        std::string phrase, address;
        if (IsInternetAddress(member)) address = member;
        if (!address.empty() || SplitNameAddr(member, &phrase, &address)) {
            auto it = book.byAddress_.find(base::AsciiLower(address));
            const AddressBook::Person* person = it != book.byAddress_.end() ? &book.people_[it->second] : nullptr;
            if (person) phrase = person->displayName;
            c.Member(phrase.empty() ? address : phrase, address, person ? person->unid : std::string());
            return kNoGroup;
        }
        const std::string key = Key(member);
        if (auto it = book.byFullName_.find(key); it != book.byFullName_.end())
            return FoundPerson(book, member, name, group, place, it->second, c);
        if (auto it = book.groupByName_.find(key); it != book.groupByName_.end()) return it->second;
        if (key.find('/') == std::string::npos) {
            if (auto it = book.byShortName_.find(key); it != book.byShortName_.end())
                return FoundPerson(book, member, name, group, place, it->second, c);
        } else if (auto it = book.byCommonName_.find(FirstComponent(key)); it != book.byCommonName_.end()) {
            // A hierarchical name no FullName holds whole: the one Person of its common name.
            return FoundPerson(book, member, name, group, place, it->second, c);
        }
        const std::string abbreviated = Abbreviated(member);
        c.Unresolved(abbreviated.empty() ? member : abbreviated, {member, name, MemberProblem::NotFound}, group, place);
        return kNoGroup;
    }

private:
    static size_t FoundPerson(const AddressBook& book, const std::string& member, const std::string& name, size_t group,
                              size_t place, size_t index, EntryCollector& c) {
        if (index == AddressBook::kSeveral) {
            c.Unresolved(Abbreviated(member), {member, name, MemberProblem::Ambiguous}, group, place);
        } else {
            const AddressBook::Person& p = book.people_[index];
            if (p.address.empty()) c.Unresolved(p.displayName, {member, name, MemberProblem::NoAddress}, group, place);
            else c.Member(p.displayName, p.address, p.unid);
        }
        return kNoGroup;
    }
};

// What the groups of the book resolve to on their own, kept for those that
// reach no cycle (a group that contains itself, however deep, is resolved
// by a walk each time: what it is noted for depends on where the walk
// starts) and resolve to at most kKeptUpTo entries. Each group is looked at
// once, so the whole costs work in proportion to the book.
class AddressBook::Expansions {
public:
    explicit Expansions(const AddressBook& book) : book_(book), state_(book.groups_.size(), Unknown), kept_(book.groups_.size()) {
        FindCycles();
    }

    // The group's expansion, made now if need be; null when it is not kept.
    const Expansion* Of(size_t group) {
        if (state_[group] == Unknown) Make(group);
        return state_[group] == Kept ? kept_[group].get() : nullptr;
    }

private:
    enum State : uint8_t { Unknown, Kept, TooLarge, Cyclic };

    // Marks each group that reaches a cycle: one walk through every group,
    // without recursion.
    void FindCycles() {
        const size_t n = book_.groups_.size();
        std::vector<uint8_t> seen(n, 0);  // 0 not yet, 1 on the walk, 2 done
        std::vector<std::pair<size_t, size_t>> stack;  // group, next member
        for (size_t start = 0; start < n; ++start) {
            if (seen[start]) continue;
            seen[start] = 1;
            stack.push_back({start, 0});
            while (!stack.empty()) {
                const size_t group = stack.back().first;
                const std::vector<std::string>& members = book_.groups_[group].members;
                if (stack.back().second == members.size()) {
                    seen[group] = 2;
                    stack.pop_back();
                    if (!stack.empty() && state_[group] == Cyclic) state_[stack.back().first] = Cyclic;
                    continue;
                }
                const size_t nested = MemberResolver::NestedGroup(book_, members[stack.back().second++]);
                if (nested == kNoGroup) continue;
                if (seen[nested] == 1 || (seen[nested] == 2 && state_[nested] == Cyclic)) {
                    state_[group] = Cyclic;
                } else if (seen[nested] == 0) {
                    seen[nested] = 1;
                    stack.push_back({nested, 0});
                }
            }
        }
    }

    // Makes the expansions of group and of the groups below it that are not
    // known yet, the deepest first, without recursion.
    void Make(size_t group) {
        std::vector<std::pair<size_t, size_t>> stack{{group, 0}};  // group, next member to look at
        while (!stack.empty()) {
            const size_t g = stack.back().first;
            const std::vector<std::string>& members = book_.groups_[g].members;
            size_t below = kNoGroup;
            while (below == kNoGroup && stack.back().second < members.size()) {
                const size_t nested = MemberResolver::NestedGroup(book_, members[stack.back().second++]);
                if (nested != kNoGroup && state_[nested] == Unknown) below = nested;
            }
            if (below != kNoGroup) {
                stack.push_back({below, 0});
                continue;
            }
            Build(g);
            stack.pop_back();
        }
    }

    // The expansion of a group whose nested groups are all known.
    void Build(size_t group) {
        const Group& g = book_.groups_[group];
        EntryCollector c;
        state_[group] = TooLarge;
        for (size_t place = 0; place < g.members.size(); ++place) {
            const size_t nested = MemberResolver::Member(book_, g.members[place], g.name, group, place, c);
            if (nested != kNoGroup) {
                if (state_[nested] != Kept) return;
                c.Merge(kept_[nested]->entries);
            }
            if (c.entries.size() > kKeptUpTo) return;
        }
        kept_[group] = std::make_unique<Expansion>(Expansion{std::move(c.entries)});
        state_[group] = Kept;
    }

    const AddressBook& book_;
    std::vector<State> state_;
    std::vector<std::unique_ptr<Expansion>> kept_;
};

AddressBook::~AddressBook() = default;

ResolvedGroup AddressBook::Resolve(const GroupDocument& root) const {
    std::lock_guard lock(expansionsMutex_);
    if (!expansions_) expansions_ = std::make_unique<Expansions>(*this);
    // A walk through the group and the groups it names, each group once; a
    // nested group whose expansion is kept is taken whole instead.
    struct Frame {
        const std::vector<std::string>* members;
        size_t next;
        const std::string* name;
        size_t group;  // index in the book, or kRootGroup for the group resolved
    };
    size_t rootIndex = kNoGroup;
    if (auto it = groupByName_.find(Key(root.name)); it != groupByName_.end()) rootIndex = it->second;
    std::unordered_set<size_t> open{rootIndex}, expanded;
    std::vector<Frame> stack{{&root.members, 0, &root.name, kRootGroup}};
    EntryCollector c;
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.members->size()) {
            open.erase(f.group);
            expanded.insert(f.group);
            stack.pop_back();
            continue;
        }
        const size_t place = f.next++;
        const std::string& member = (*f.members)[place];
        const size_t nested = MemberResolver::Member(*this, member, *f.name, f.group, place, c);
        if (nested == kNoGroup) continue;
        if (open.count(nested)) {
            c.Note({member, *f.name, MemberProblem::Cycle}, f.group, place);
        } else if (const Expansion* kept = expansions_->Of(nested)) {
            c.Merge(kept->entries);
        } else if (!expanded.count(nested)) {
            open.insert(nested);
            const Group& g = groups_[nested];
            stack.push_back({&g.members, 0, &g.name, nested});
        }
    }
    ResolvedGroup out;
    for (Entry& e : c.entries) {
        if (e.isNote) out.notes.push_back(std::move(e.note));
        else out.members.push_back(std::move(e.member));
    }
    return out;
}

}  // namespace notes
