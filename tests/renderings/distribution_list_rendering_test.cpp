// The renderings of a distribution list as outside readers see them:
// Evolution's parser and vobject for the vCard, Python's parsers for HTML and
// MHTML, unrtf for RTF.
#include <renderings/render.h>

#include <msg_reader.h>

#include <gtest/gtest.h>

#include "contact_fixture.h"

#include <sstream>

using namespace renderings;
using testsupport::Quote;
using testsupport::RunPython;

namespace {

using contact_fixture::kHostile;

contacts::DistributionList SampleList() {
    using contacts::MemberKind;
    return {"Team " + kHostile,
            "First line\r\nsecond line",
            {{"Jane Doe", "jane.doe@acme.example", MemberKind::Address},
             {"Zo\xC3\xAB \xE6\x9D\xB1, \"Z\"", "zoe@x.example", MemberKind::Address},
             {"Nobody Known/Nowhere", "", MemberKind::NameOnly},
             {"", "plain@x.example", MemberKind::Address}},
            {}};
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

TEST(DistributionListRenderings, ShowTheNameDescriptionAndOneLinePerMember) {
    testsupport::TempDir dir;
    const contacts::DistributionList list = SampleList();
    const std::string name = "Team " + kHostile;

    const std::string text = RenderDistributionList(list, Format::Text);
    std::vector<std::string> expected = {"Name: " + name, "Description: First line", "    second line", "Members: 4"};
    for (const auto& l : kLines) expected.push_back("    " + l);
    EXPECT_EQ(SplitLines(text), expected);

    for (auto [type, kind] : {std::pair{Format::Html, "html"}, std::pair{Format::Mhtml, "mhtml"}}) {
        const std::string path = dir.Write(std::string("list.") + kind, RenderDistributionList(list, type));
        auto r = RunPython(kHtmlItems, Quote(path) + " " + kind);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        std::vector<std::string> shown = {name};
        shown.insert(shown.end(), kLines.begin(), kLines.end());
        EXPECT_EQ(SplitLines(r.out), shown) << kind;
    }

    REQUIRE_TOOL("unrtf");
    dir.Write("list.rtf", RenderDistributionList(list, Format::Rtf));
    EXPECT_EQ(testsupport::ReadFile(dir / "list.rtf"), RenderDistributionList(list, Format::Doc));
    auto rtf = testsupport::Run("unrtf --text " + Quote(dir / "list.rtf"));
    ASSERT_EQ(rtf.exitCode, 0) << rtf.out;
    for (const std::string& l : {std::string("Jane Doe <jane.doe@acme.example>"), std::string("Nobody Known/Nowhere")})
        EXPECT_NE(rtf.out.find(l), std::string::npos) << l << "\n" << rtf.out;

    dir.Write("list.vcf", RenderDistributionList(list, Format::VCard));
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
}
