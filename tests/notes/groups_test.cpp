// Group documents and the resolution of their members against the people and
// groups of the same database (samples/groups.dxl, and generated books).
#include <notes/address_book.h>

#include "support/open_database.h"
#include "support/temp_files.h"
#include "support/growth.h"

#include <gtest/gtest.h>

#include <map>

using namespace testsupport;

namespace {

std::string GroupsSample() { return std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl"; }

std::map<std::string, notes::GroupDocument> Groups(OpenDatabase& open) {
    std::map<std::string, notes::GroupDocument> out;
    LNDocumentArray docs = open.Search("Form = \"Group\"");
    for (size_t i = 0; i < docs.GetCount(); ++i) {
        LNDocument doc = docs[i];
        doc.Open();
        EXPECT_TRUE(notes::IsGroupDocument(doc));
        notes::GroupDocument g = notes::ReadGroupDocument(doc);
        out[g.name] = g;
    }
    return out;
}

// "Name <address>" per member, or the name alone for one without an address.
std::vector<std::string> Lines(const notes::ResolvedGroup& r) {
    std::vector<std::string> out;
    for (const auto& m : r.members) out.push_back(m.address.empty() ? m.displayName : m.displayName + " <" + m.address + ">");
    return out;
}

std::string Person(const std::string& fullName, const std::string& mail) {
    return "<document form='Person'><item name='FullName' names='true'><text>" + fullName +
           "</text></item><item name='MailAddress'><text>" + mail + "</text></item></document>\n";
}

std::string Group(const std::string& name, const std::vector<std::string>& members) {
    std::string out = "<document form='Group'><item name='ListName'><text>" + name +
                      "</text></item><item name='Members' names='true'><textlist>";
    for (const auto& m : members) out += "<text>" + m + "</text>";
    return out + "</textlist></item></document>\n";
}

}  // namespace

TEST(Groups, ReadsTheGroupItems) {
    OpenDatabase open(GroupsSample());
    auto groups = Groups(open);
    ASSERT_EQ(groups.size(), 10u);
    const auto& news = groups.at("Newsletter");
    EXPECT_EQ(news.description, "Members as Internet addresses");
    EXPECT_EQ(news.groupType, "1");
    EXPECT_EQ(news.members.size(), 3u);
    EXPECT_TRUE(groups.at("Leer").members.empty());
    EXPECT_EQ(groups.at("Grosser Verteiler").members.size(), 5000u);

    OpenDatabase names(SamplePath());  // the personal address book keeps the type in ListType
    EXPECT_EQ(Groups(names).at("Suppliers").groupType, "1");
}

TEST(Groups, MembersResolveByAddressNameAndNestedGroup) {
    using P = notes::MemberProblem;
    struct Case {
        const char* group;
        std::vector<std::string> members;
        std::vector<std::pair<std::string, P>> notes;
    };
    const std::string effi = "Effi Hoffmann <effi.hoffmann@offizin.example>", mia = "Mia Schulz <mia@schulz.example>",
                      jonas = "Jonas Weber <jonas.weber@offizin.example>",
                      zoe = "Zo\xC3\xAB \xC3\x84mtler <zoe.aemtler@offizin.example>";
    const Case cases[] = {
        {"Newsletter",
         {effi, "reader@elsewhere.example <reader@elsewhere.example>", "Jonas Weber <JONAS.WEBER@offizin.example>"},
         {}},
        {"Setzerei", {effi, jonas, zoe}, {}},
        // "ehoffmann" is Effi's short name: she is listed once.
        {"Lektorat", {effi, mia, "Ana Costa"}, {{"Ana Costa", P::Ambiguous}}},
        {"Alle", {effi, jonas, zoe, mia, "Ana Costa"}, {{"Ana Costa", P::Ambiguous}}},
        {"Ringelreihen", {mia}, {{"Ringelreihen", P::Cycle}}},
        {"Kreis A", {mia, effi}, {{"Kreis A", P::Cycle}}},
        {"Unbekannt",
         {"Nobody Known/Nowhere", "Lukas Brandt", effi},
         {{"CN=Nobody Known/O=Nowhere", P::NotFound}, {"Lukas Brandt/Offizin", P::NoAddress}}},
        {"Leer", {}, {}},
    };
    OpenDatabase open(GroupsSample());
    notes::AddressBook book(open.db);
    EXPECT_EQ(book.PersonCount(), 7u);
    auto groups = Groups(open);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.group);
        notes::ResolvedGroup r = book.Resolve(groups.at(c.group));
        EXPECT_EQ(Lines(r), c.members);
        std::vector<std::pair<std::string, P>> notes;
        for (const auto& n : r.notes) {
            notes.emplace_back(n.member, n.problem);
            EXPECT_NE(notes::DescribeMemberNote(n).find(n.member), std::string::npos);
        }
        EXPECT_EQ(notes, c.notes);
    }
    notes::ResolvedGroup big = book.Resolve(groups.at("Grosser Verteiler"));
    EXPECT_EQ(big.members.size(), 5000u);
    EXPECT_TRUE(big.notes.empty());
    EXPECT_EQ(Lines(big)[501], effi);

    // Hostile member texts: a line break cannot forge a log line, a bare
    // Notes domain keeps its text.
    notes::GroupDocument odd{"Odd\nGroup", "", "", {"@Domain", "Line\nbreak"}};
    notes::ResolvedGroup r = book.Resolve(odd);
    EXPECT_EQ(Lines(r), (std::vector<std::string>{"@Domain", "Line\nbreak"}));
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_EQ(notes::DescribeMemberNote(r.notes[1]).find('\n'), std::string::npos);
}

TEST(Groups, TheAddressBookSampleGroupsResolveAgainstItsContacts) {
    OpenDatabase open(SamplePath());
    notes::AddressBook book(open.db);
    auto groups = Groups(open);
    // Nobody in the sample is called Felix Evans.
    for (auto [name, unresolved] : {std::pair{"Golf Buddies", 1u}, std::pair{"Suppliers", 0u}}) {
        notes::ResolvedGroup r = book.Resolve(groups.at(name));
        EXPECT_EQ(r.members.size(), 3u) << name;
        EXPECT_EQ(r.notes.size(), unresolved) << name;
    }
}

TEST(Groups, InternetAddressesAreToldFromNotesNames) {
    for (const char* yes : {"a@b.example", "first.last+tag@sub.domain.example"})
        EXPECT_TRUE(notes::IsInternetAddress(yes)) << yes;
    for (const char* no : {"", "Jane Doe", "Jane Doe/Acme@AcmeDomain", "jdoe@AcmeDomain", "a@b@c.example", "@b.example",
                           "a b@c.example", "a@.example", "a@b.", "<a@b.example>"})
        EXPECT_FALSE(notes::IsInternetAddress(no)) << no;
}

TEST(Groups, LargeBooksAndDeepNestingResolveInLinearTime) {
    // n people; one group names each of them three ways (hierarchical name,
    // common name, address) and holds the head of a chain of n / 6 nested
    // groups. Work in proportion to the members, with no recursion.
    auto resolve = [](int people) {
        const int chain = people / 6;
        std::string body;
        std::vector<std::string> members;
        for (int i = 0; i < people; ++i) {
            const std::string n = "Person " + std::to_string(i), mail = "p" + std::to_string(i) + "@org.example";
            body += Person("CN=" + n + "/O=Org", mail);
            members.insert(members.end(), {"CN=" + n + "/O=Org", n, mail});
        }
        members.push_back("Chain 0");
        for (int i = 0; i < chain; ++i)
            body += Group("Chain " + std::to_string(i), {"Chain " + std::to_string(i + 1), "c" + std::to_string(i) + "@chain.example"});
        body += Group("Everyone", members);
        TempDir dir;
        OpenDatabase open(dir.Write("large.dxl", Dxl(body)));
        notes::AddressBook book(open.db);
        notes::GroupDocument everyone{"Everyone", "", "", members};
        notes::ResolvedGroup r = book.Resolve(everyone);
        // The end of the chain names a group nobody has: kept by name, noted.
        EXPECT_EQ(r.members.size(), size_t(people + chain + 1));
        EXPECT_EQ(r.notes.size(), 1u);
        EXPECT_EQ(r.members[size_t(people)].displayName, "Chain " + std::to_string(chain));
        EXPECT_EQ(r.members.back().address, "c0@chain.example");
    };
    EXPECT_LT(testsupport::GrowthRatio(resolve, 4800, 19200), testsupport::LinearGrowthBound(4800, 19200));
}

TEST(Groups, AHierarchicalMemberFallsBackToTheOnePersonOfItsCommonName) {
    TempDir dir;
    using S = std::string;
    OpenDatabase open(dir.Write("book.dxl", Dxl(Person("Effi Hoffmann", S("effi@offizin.example")) +
                                                 Person("CN=Ana Costa/O=Offizin", S("ana@offizin.example")) +
                                                 Person("Ana Costa/Druckerei", S("ana@druckerei.example")))));
    notes::AddressBook book(open.db);
    notes::GroupDocument g{"Team", "", "", {"CN=Effi Hoffmann/O=Offizin", "Ana Costa/Offizin", "CN=Ana Costa/O=Elsewhere"}};
    notes::ResolvedGroup r = book.Resolve(g);
    // A FullName that matches whole still wins; two people of one common name stay unresolved.
    EXPECT_EQ(Lines(r), (std::vector<std::string>{"Effi Hoffmann <effi@offizin.example>", "Ana Costa <ana@offizin.example>",
                                                  "Ana Costa/Elsewhere"}));
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].problem, notes::MemberProblem::Ambiguous);
}

TEST(Groups, EveryGroupOfALongChainResolvesInLinearTimeOverall) {
    // Groups 0..n-1, each naming the next, the last a person: resolving every
    // one of them, as an export of the book does, is work in proportion to
    // n, not to its square. Each resolves to the person alone.
    auto resolveAll = [](int n) {
        std::string body = Person("CN=Pat Last/O=Org", std::string("pat@org.example"));
        for (int i = 0; i < n; ++i)
            body += Group("Chain " + std::to_string(i), {i + 1 < n ? "Chain " + std::to_string(i + 1) : "Pat Last/Org"});
        TempDir dir;
        OpenDatabase open(dir.Write("chain.dxl", Dxl(body)));
        notes::AddressBook book(open.db);
        for (int i = 0; i < n; ++i) {
            const std::string name = "Chain " + std::to_string(i);
            const notes::ResolvedGroup r =
                book.Resolve({name, "", "", {i + 1 < n ? "Chain " + std::to_string(i + 1) : "Pat Last/Org"}});
            ASSERT_EQ(Lines(r), std::vector<std::string>{"Pat Last <pat@org.example>"}) << name;
            ASSERT_TRUE(r.notes.empty()) << name;
        }
    };
    // Four times the groups, not two: at twice, the bound lies too near what
    // linear work measures for a busy or instrumented run to stay under it.
    EXPECT_LT(testsupport::GrowthRatio(resolveAll, 5000, 20000), testsupport::LinearGrowthBound(5000, 20000));
}
