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

// One resolution: a walk through the group and the groups it names, with
// the sets that keep each group and each member to one appearance.
class MemberResolver {
public:
    MemberResolver(const AddressBook& book, ResolvedGroup& out) : book_(book), out_(out) {}

    void Run(const GroupDocument& root) {
        struct Frame {
            const std::vector<std::string>* members;
            size_t next;
            const std::string* name;
            size_t group;  // index in the book, or kNone for a root the book does not hold
        };
        constexpr size_t kNone = size_t(-1);
        size_t rootIndex = kNone;
        if (auto it = book_.groupByName_.find(Key(root.name)); it != book_.groupByName_.end()) rootIndex = it->second;
        std::vector<Frame> stack{{&root.members, 0, &root.name, rootIndex}};
        if (rootIndex != kNone) open_.insert(rootIndex);
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.next == f.members->size()) {
                open_.erase(f.group);
                expanded_.insert(f.group);
                stack.pop_back();
                continue;
            }
            const std::string& member = (*f.members)[f.next++];
            const size_t nested = Member(member, *f.name);
            if (nested == kNone) continue;
            if (open_.count(nested)) {
                out_.notes.push_back({member, *f.name, MemberProblem::Cycle});
            } else if (!expanded_.count(nested)) {
                open_.insert(nested);
                const AddressBook::Group& g = book_.groups_[nested];
                stack.push_back({&g.members, 0, &g.name, nested});
            }
        }
    }

private:
    // Adds the member, or returns the index of the group it names.
    size_t Member(const std::string& member, const std::string& group) {
        std::string phrase, address;
        if (IsInternetAddress(member)) address = member;
        if (!address.empty() || SplitNameAddr(member, &phrase, &address)) {
            auto it = book_.byAddress_.find(base::AsciiLower(address));
            const AddressBook::Person* person = it != book_.byAddress_.end() ? &book_.people_[it->second] : nullptr;
            if (person) phrase = person->displayName;
            Add(phrase.empty() ? address : phrase, address, person ? person->unid : std::string());
            return size_t(-1);
        }
        const std::string key = Key(member);
        if (auto it = book_.byFullName_.find(key); it != book_.byFullName_.end()) return FoundPerson(member, group, it->second);
        if (auto it = book_.groupByName_.find(key); it != book_.groupByName_.end()) return it->second;
        if (key.find('/') == std::string::npos)
            if (auto it = book_.byShortName_.find(key); it != book_.byShortName_.end()) return FoundPerson(member, group, it->second);
        const std::string name = Abbreviated(member);
        Unresolved(name.empty() ? member : name, member, group, MemberProblem::NotFound);
        return size_t(-1);
    }

    size_t FoundPerson(const std::string& member, const std::string& group, size_t index) {
        if (index == AddressBook::kSeveral) {
            Unresolved(Abbreviated(member), member, group, MemberProblem::Ambiguous);
        } else {
            const AddressBook::Person& p = book_.people_[index];
            if (p.address.empty()) Unresolved(p.displayName, member, group, MemberProblem::NoAddress);
            else Add(p.displayName, p.address, p.unid);
        }
        return size_t(-1);
    }

    void Unresolved(const std::string& name, const std::string& member, const std::string& group, MemberProblem problem) {
        out_.notes.push_back({member, group, problem});
        if (names_.insert(base::AsciiLower(name)).second) out_.members.push_back({name, {}, {}});
    }

    void Add(const std::string& name, const std::string& address, const std::string& unid) {
        if (addresses_.insert(base::AsciiLower(address)).second) out_.members.push_back({name, address, unid});
    }

    const AddressBook& book_;
    ResolvedGroup& out_;
    std::unordered_set<size_t> open_, expanded_;
    std::unordered_set<std::string> addresses_, names_;
};

ResolvedGroup AddressBook::Resolve(const GroupDocument& group) const {
    ResolvedGroup out;
    MemberResolver(*this, out).Run(group);
    return out;
}

}  // namespace notes
