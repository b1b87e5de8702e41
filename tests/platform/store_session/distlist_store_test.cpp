// Distribution lists saved into a PST folder, as our reader, pst-extractor and
// pffexport read them back.
#include "outside_readers.h"

#include <mapi/distribution_list.h>
#include <pst/pst_file.h>
#include <store/session.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace testsupport;

namespace {

std::vector<mapi::OneOffRecipient> Members(size_t n) {
    std::vector<mapi::OneOffRecipient> out;
    for (size_t i = 0; i < n; ++i)
        out.push_back({"Leser " + std::to_string(i) + " \xC3\x9F", "SMTP", "leser" + std::to_string(i) + "@verteiler.example"});
    return out;
}

std::vector<mapi::OneOffRecipient> Decoded(const mapi::MultiBinary& values) {
    std::vector<mapi::OneOffRecipient> out;
    for (const auto& v : values) out.push_back(mapi::DecodeOneOffEntryId(v).value_or(mapi::OneOffRecipient{"?", "?", "?"}));
    return out;
}

}  // namespace

TEST(DistListStore, ListsInAFolderReadBackWithEveryReader) {
    TempDir dir;
    setenv("FERRYWELL_PROFILE", (dir.Path() / "profile").c_str(), 1);
    store::Session session;
    session.Logon();
    store::Folder folder = session.EnsureFolderPath("\\\\Personal Folders\\Contacts");
    struct Case {
        std::string name;
        size_t members;
    };
    const Case cases[] = {{"Golf \xE2\x9B\xB3", 3}, {"Leer", 0}, {"Grosser Verteiler", 5000}};
    for (const auto& c : cases) {
        store::DistListItem list = folder.GetItems().AddDistList();
        list.SetName(c.name);
        list.SetBody("About " + c.name);
        for (const auto& m : Members(c.members)) list.AddMember(m.displayName, m.address);
        if (c.members == 3) list.AddMember("Nobody Known/Nowhere", "");
        list.Save();
    }
    // pst-extractor skips the last entry of the store's name map: a contact
    // with names of its own takes that place.
    store::ContactItem contact = folder.GetItems().Add("IPM.Contact");
    contact.Set(mapi::ContactField::Email1Address, "last@entry.example");
    contact.Save();
    const std::string path = session.Stores()[0].GetPath();
    session.Logoff();

    // Our reader: the members come back whole, from the lists or the stream.
    auto pst = pst::PstFile::Open(path, false);
    std::map<std::string, mapi::PropertyBag> ours;
    for (pst::Nid nid : pst->Messages(folder.Id())) {
        mapi::PropertyBag bag = pst->ReadMessage(nid);
        ours[bag.GetString(mapi::PidLidDistributionListName.Key()).value_or("")] = bag;
    }
    ours.erase("");  // the contact
    ASSERT_EQ(ours.size(), 3u);
    auto golf = Members(3);
    golf.push_back({"Nobody Known/Nowhere", "SMTP", ""});
    EXPECT_EQ(mapi::DistributionListMembers(ours.at(cases[0].name)), golf);
    EXPECT_EQ(mapi::DistributionListMembers(ours.at("Grosser Verteiler")), Members(5000));
    EXPECT_EQ(ours.at("Leer").GetString(mapi::PidTagMessageClass.Key()), "IPM.DistList");

    // pst-extractor's raw properties.
    ASSERT_EQ(MissingNodeReaders(), "");
    ExtractorView view = ReadWithPstExtractor(path);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    std::map<std::string, std::map<std::string, std::string>> raw;
    for (const auto& item : view.items) raw[item.props.count("lid:8053") ? item.props.at("lid:8053") : ""] = item.props;
    const auto& small = raw.at(cases[0].name);
    EXPECT_EQ(small.at("001a"), "IPM.DistList");
    EXPECT_EQ(small.at("3001"), cases[0].name);
    const mapi::MultiBinary oneOffs = SplitPstMultiBinary(BytesFromHex(small.at("lid:8054")));
    EXPECT_EQ(Decoded(oneOffs), golf);
    EXPECT_EQ(SplitPstMultiBinary(BytesFromHex(small.at("lid:8055"))), oneOffs);
    EXPECT_EQ(uint32_t(std::stol(small.at("lid:804c"))), mapi::DistributionListChecksum(oneOffs));
    EXPECT_EQ(SplitPstMultiBinary(BytesFromHex(raw.at("Leer").at("lid:8054"))).size(), 0u);
    const mapi::Binary stream = BytesFromHex(raw.at("Grosser Verteiler").at("lid:8064"));
    auto entries = mapi::DecodeDistributionListStream(stream.data(), stream.size());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 5000u);
    EXPECT_EQ(mapi::DecodeOneOffEntryId(entries->back().oneOff), Members(5000).back());
    EXPECT_FALSE(raw.at("Grosser Verteiler").count("lid:8054"));

    // pffexport: the same bytes under the named properties' long ids.
    REQUIRE_TOOL("pffexport");
    std::map<std::string, PffItem> pff;
    for (auto& item : PffExportItems(path, dir.Path().string())) pff[item.Text(0x8053).value_or("")] = item;
    ASSERT_EQ(pff.size(), 4u);
    EXPECT_EQ(SplitPstMultiBinary(pff.at(cases[0].name).values.at(0x8054)), oneOffs);
    EXPECT_EQ(pff.at("Grosser Verteiler").values.at(0x8064), stream);
}
