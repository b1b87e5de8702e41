// Distribution lists in MSG files and their renderings, as outside readers
// see them: olefile and msgreader for the MSG file, Evolution's parser and
// vobject for the vCard, Python's parsers for HTML and MHTML, unrtf for RTF.
#include <store/distlist_conversions.h>
#include <store/msg_file.h>

#include <msg/msg_file.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

#include "conversion_fixtures.h"

using namespace store;
using testsupport::Quote;
using testsupport::RunPython;

namespace {

using conversion_fixtures::kHostile;


DistListItem SampleList() {
    DistListItem list(nullptr);
    list.SetName("Team " + kHostile);
    list.SetBody("First line\r\nsecond line");
    list.AddMember("Jane Doe", "jane.doe@acme.example");
    list.AddMember("Zo\xC3\xAB \xE6\x9D\xB1, \"Z\"", "zoe@x.example");
    list.AddMember("Nobody Known/Nowhere", "");
    list.AddMember("", "plain@x.example");
    return list;
}

// The members as the text and HTML renderings show them, one a line.
const std::vector<std::string> kLines = {"Jane Doe <jane.doe@acme.example>", "Zo\xC3\xAB \xE6\x9D\xB1, \"Z\" <zoe@x.example>",
                                         "Nobody Known/Nowhere", "plain@x.example"};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) out.push_back(line);
    return out;
}

// The heading and the list items of a page, or of the page in an MHTML file.
const char* kHtmlItems = R"(
import sys, email, email.policy
from html.parser import HTMLParser
data = open(sys.argv[1], 'rb').read()
if sys.argv[2] == 'mhtml':
    m = email.message_from_bytes(data, policy=email.policy.default)
    html = [p for p in m.iter_parts()][0].get_content()
else:
    html = data.decode('utf-8')
class Items(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.text = None; self.out = []
    def handle_starttag(self, tag, attrs):
        if tag in ('h1', 'li'): self.text = ''
    def handle_endtag(self, tag):
        if tag in ('h1', 'li'): self.out.append(self.text); self.text = None
    def handle_data(self, d):
        if self.text is not None: self.text += d
p = Items(); p.feed(html)
print('\n'.join(p.out))
)";

// Evolution's parser: whether the card is a list, its name, then per EMAIL
// the destination's name and address parameters and the value.
const char* kEvolution = R"(
import sys, gi
gi.require_version('EBookContacts', '1.2')
from gi.repository import EBookContacts as E
c = E.Contact.new_from_vcard(open(sys.argv[1], encoding='utf-8').read())
print(c.get_property('list'), c.get_property('full-name'), sep='|')
for a in c.get_attributes(E.ContactField.EMAIL):
    p = {x.get_name(): x.get_values()[0] for x in a.get_params()}
    print(p.get('X-EVOLUTION-DEST-NAME', ''), p.get('X-EVOLUTION-DEST-EMAIL', ''), a.get_values()[0], sep='|')
import vobject
card = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
print('vobject', card.fn.value, len(card.contents['email']), sep='|')
)";

}  // namespace

TEST(DistListFile, MsgFileHoldsTheMembersForEveryReader) {
    testsupport::TempDir dir;
    const std::string path = dir / "team.msg";
    auto item = CreateDistListFromMsgFile(path, "IPM.DistList", kMsgFileFormat);
    ASSERT_TRUE(item);
    DistListItem sample = SampleList();
    item->SetName(sample.GetName());
    for (const auto& m : sample.Members()) item->AddMember(m.displayName, m.address);
    item->Save();

    mapi::PropertyBag back = msg::ReadMsgFile(path);
    EXPECT_EQ(back.GetString(mapi::PidTagMessageClass.Key()), "IPM.DistList");
    EXPECT_EQ(mapi::DistributionListMembers(back), sample.Members());

    // Read back into an item: the members are there, and a new one is added to them.
    auto again = CreateDistListFromMsgFile(path, "IPM.DistList", kMsgFileFormat);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->GetName(), sample.GetName());
    again->AddMember("Fifth", "fifth@x.example");
    again->Save();
    EXPECT_EQ(mapi::DistributionListMembers(msg::ReadMsgFile(path)).size(), 5u);
    // A list is not a contact, and a contact not a list.
    EXPECT_EQ(CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat), nullptr);
    auto contact = CreateMessageFromMsgFile(dir / "c.msg", "IPM.Contact", kMsgFileFormat);
    contact->Save();
    EXPECT_EQ(CreateDistListFromMsgFile(dir / "c.msg", "IPM.DistList", kMsgFileFormat), nullptr);
    EXPECT_EQ(CreateDistListFromMsgFile(dir / "x.msg", "IPM.Note", kMsgFileFormat), nullptr);

    // olefile: a length stream of 8-byte entries and one stream per value,
    // under the id the name map gives the one-off members.
    auto ole = RunPython(R"(
import sys, olefile, struct
ole = olefile.OleFileIO(sys.argv[1])
entries = ole.openstream('__nameid_version1.0/__substg1.0_00030102').read()
for i in range(0, len(entries), 8):
    lid, kind, index = struct.unpack('<IHH', entries[i:i + 8])
    if lid == 0x8054 and not kind & 1:
        tag = '__substg1.0_%04X1102' % (0x8000 + index)
lengths = ole.openstream(tag).read()
for n in range(len(lengths) // 8):
    size = struct.unpack('<I', lengths[8 * n:8 * n + 4])[0]
    value = ole.openstream('%s-%08X' % (tag, n)).read()
    print(size == len(value), value[24:].decode('utf-16-le').split('\0')[0])
)", Quote(path));
    EXPECT_EQ(ole.exitCode, 0) << ole.out;
    EXPECT_EQ(SplitLines(ole.out), (std::vector<std::string>{"True Jane Doe", "True Zo\xC3\xAB \xE6\x9D\xB1, \"Z\"",
                                                              "True Nobody Known/Nowhere", "True plain@x.example",
                                                              "True Fifth"}));

    auto reader = testsupport::RunMsgReader(path);
    ASSERT_EQ(reader.exitCode, 0) << reader.out;
    auto props = testsupport::ReaderProps(reader.out);
    EXPECT_EQ(props["001a"], "IPM.DistList");
    EXPECT_EQ(props["lid:8053"], sample.GetName());
    // msgreader lists each value stream of the one-off members under the property.
    std::vector<std::string> names;
    std::stringstream lines(reader.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("prop\tlid:8054\t", 0) != 0) continue;
        mapi::Binary bytes;
        for (size_t i = 14; i + 1 < line.size(); i += 2) bytes.push_back(uint8_t(std::stoul(line.substr(i, 2), nullptr, 16)));
        if (auto r = mapi::DecodeOneOffEntryId(bytes)) names.push_back(r->displayName);
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(names.back(), "Fifth");
}

TEST(DistListFile, RenderingsShowTheNameDescriptionAndOneLinePerMember) {
    testsupport::TempDir dir;
    const DistListItem list = SampleList();
    const std::string name = "Team " + kHostile;

    const std::string text = RenderDistListToString(list.Properties(), olTXT);
    std::vector<std::string> expected = {"Name: " + name, "Description: First line", "    second line", "Members: 4"};
    for (const auto& l : kLines) expected.push_back("    " + l);
    EXPECT_EQ(SplitLines(text), expected);

    for (auto [type, kind] : {std::pair{olHTML, "html"}, std::pair{olMHTML, "mhtml"}}) {
        const std::string path = dir / (std::string("list.") + kind);
        list.SaveAs(path, type);
        auto r = RunPython(kHtmlItems, Quote(path) + " " + kind);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        std::vector<std::string> shown = {name};
        shown.insert(shown.end(), kLines.begin(), kLines.end());
        EXPECT_EQ(SplitLines(r.out), shown) << kind;
    }

    REQUIRE_TOOL("unrtf");
    list.SaveAs(dir / "list.rtf", olRTF);
    EXPECT_EQ(testsupport::ReadFile(dir / "list.rtf"), RenderDistListToString(list.Properties(), olDoc));
    auto rtf = testsupport::Run("unrtf --text " + Quote(dir / "list.rtf"));
    ASSERT_EQ(rtf.exitCode, 0) << rtf.out;
    for (const std::string& l : {std::string("Jane Doe <jane.doe@acme.example>"), std::string("Nobody Known/Nowhere")})
        EXPECT_NE(rtf.out.find(l), std::string::npos) << l << "\n" << rtf.out;

    list.SaveAs(dir / "list.vcf", olVCard);
    auto evo = RunPython(kEvolution, Quote(dir / "list.vcf"));
    ASSERT_EQ(evo.exitCode, 0) << evo.out;
    EXPECT_EQ(SplitLines(evo.out), (std::vector<std::string>{
                                       "True|" + name,
                                       "Jane Doe|jane.doe@acme.example|Jane Doe <jane.doe@acme.example>",
                                       "Zo\xC3\xAB \xE6\x9D\xB1, Z|zoe@x.example|\"Zo\xC3\xAB \xE6\x9D\xB1, \\\"Z\\\"\" <zoe@x.example>",
                                       "Nobody Known/Nowhere||Nobody Known/Nowhere",
                                       "|plain@x.example|plain@x.example",
                                       "vobject|" + name + "|4",
                                   }));

    EXPECT_THROW(list.SaveAs(dir / "list.x", 2), StoreError);
    EXPECT_FALSE(std::filesystem::exists(dir / "list.x"));
}
