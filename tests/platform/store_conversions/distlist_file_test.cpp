// Distribution lists in MSG files, as outside readers see them: olefile and
// msgreader.
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

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) out.push_back(line);
    return out;
}

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
