// The people and groups of one database, indexed once, and the resolution of
// a group's members into display names and Internet addresses:
//
//   notes::AddressBook book(db);                 // every Person and Group read once
//   notes::ResolvedGroup r = book.Resolve(notes::ReadGroupDocument(doc));
//   for (const auto& m : r.members) list.AddMember(m.displayName, m.address);
//   for (const auto& n : r.notes) log(notes::DescribeMemberNote(n));
//
// A member that is an Internet address stays as it is (with the display name
// of the Person who has it, when one does); a Notes name, hierarchical
// ("CN=Effi Hoffmann/O=Offizin", "Effi Hoffmann/Offizin") or common ("Effi
// Hoffmann"), or a short name, becomes that Person's address and display
// name (a hierarchical name no FullName holds whole falls back to the one
// Person whose full name has its common name; several such are ambiguous);
// the name of a group is replaced by that group's members, however
// deep, each group once. Names compare ignoring ASCII case.
#pragma once

#include <notes/group_document.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class LNDatabase;

namespace notes {

struct ResolvedMember {
    std::string displayName;
    std::string address;  // an Internet address; empty for a member kept by its name only
    std::string unid;     // the universal id of the Person it is, when it is one of the database's
};

enum class MemberProblem {
    NotFound,   // no Person or Group has this name: kept by its name
    Ambiguous,  // several People have this common or short name: kept by its name
    NoAddress,  // the Person has no Internet address: kept by the Person's name
    Cycle,      // a group that contains itself (directly or through others): left out
};

struct MemberNote {
    std::string member;  // as written in the group
    std::string group;   // the group that lists it
    MemberProblem problem;
};

struct ResolvedGroup {
    std::vector<ResolvedMember> members;  // in the order met; each address (or kept name) once
    std::vector<MemberNote> notes;        // what the caller should log
};

// One line for the export log, e.g. `Group "Sales": member "Ann Other" not found; kept without an address`.
std::string DescribeMemberNote(const MemberNote& note);

// True when text is an Internet address (local@domain.tld, no blanks).
bool IsInternetAddress(std::string_view text);

class AddressBook {
public:
    // Reads every Person and Group document of the open database once.
    // Throws the Notes status when the database cannot be searched; a
    // document that cannot be read is left out.
    explicit AddressBook(const LNDatabase& db);
    ~AddressBook();

    // Work in proportion to the members met, whatever the size of the book;
    // and across the groups of a book resolved one after another, a nested
    // group that reaches no cycle and resolves to a few members is resolved
    // once and then taken whole, so that every group of a chain however long
    // resolves in linear time overall. Safe to call from several threads.
    ResolvedGroup Resolve(const GroupDocument& group) const;

    size_t PersonCount() const { return people_.size(); }
    size_t GroupCount() const { return groups_.size(); }
    // The latest modification time (FILETIME ticks, UTC) of the documents
    // read: what a group resolves to can change with any of them.
    int64_t LatestChange() const { return latestChange_; }

private:
    struct Person {
        std::string displayName;
        std::string address;
        std::string unid;
    };
    struct Group {
        std::string name;
        std::vector<std::string> members;
    };
    static constexpr size_t kSeveral = size_t(-1);  // a key that names more than one Person

    // What a group resolves to on its own, once known (see Expansions).
    struct Expansion;
    class Expansions;

    void AddPerson(const LNDocument& doc);
    void AddGroup(const LNDocument& doc);
    static void AddKey(std::unordered_map<std::string, size_t>& map, const std::string& key, size_t index);

    std::vector<Person> people_;
    std::vector<Group> groups_;
    std::unordered_map<std::string, size_t> byFullName_;    // abbreviated full names (all values)
    std::unordered_map<std::string, size_t> byShortName_;   // common names and short names
    std::unordered_map<std::string, size_t> byCommonName_;  // the common names of the full names
    std::unordered_map<std::string, size_t> byAddress_;     // Internet addresses
    std::unordered_map<std::string, size_t> groupByName_;   // every ListName value
    int64_t latestChange_ = 0;
    mutable std::mutex expansionsMutex_;
    mutable std::unique_ptr<Expansions> expansions_;  // made by the first Resolve

    friend class MemberResolver;
};

}  // namespace notes
