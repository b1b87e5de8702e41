// The store's named-property map: ids stay stable across sessions, string
// names are kept, and the entry stream always ends with an entry no item
// uses, which readers that skip the last entry may lose.
#include "outside_readers.h"

#include "layout.h"
#include "name_map.h"

#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const mapi::NamedProperty kCity = mapi::PidLidWorkAddressCity.Key().Name();
const mapi::NamedProperty kKeywords = mapi::PidNameKeywords.Key().Name();
const mapi::NamedProperty kBirthdayLocal = mapi::PidLidBirthdayLocal.Key().Name();

// The entry stream's records as (key, guid and kind, index).
std::vector<std::array<uint32_t, 3>> Entries(const pst::PropMap& encoded) {
    const auto& bytes = std::get<mapi::Binary>(encoded.at(mapi::nameid::kEntryStreamId).value);
    std::vector<std::array<uint32_t, 3>> out;
    for (size_t at = 0; at + 8 <= bytes.size(); at += 8)
        out.push_back({base::Get32(&bytes[at]), base::Get16(&bytes[at + 4]), base::Get16(&bytes[at + 6])});
    return out;
}

TEST(PstNameMap, EndsWithAnUnusedEntryAcrossSessionsAndKeepsIds) {
    pst::NameMap first;
    const uint16_t city = first.IdFor(kCity), keywords = first.IdFor(kKeywords);
    pst::PropMap encoded = first.Encode();
    auto entries = Entries(encoded);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.back()[2], 2u);  // the closing entry takes the next free index, which no id uses

    pst::NameMap second;
    second.Load(encoded);
    EXPECT_FALSE(second.Dirty());
    EXPECT_EQ(second.Find(kCity), city);
    EXPECT_EQ(second.Find(kKeywords), keywords);
    EXPECT_FALSE(second.Find(pst::NameMap::ClosingName()));
    const uint16_t birthday = second.IdFor(kBirthdayLocal);
    EXPECT_EQ(birthday, mapi::nameid::kFirstNamedId + 2);  // the closing entry's index was free again
    entries = Entries(second.Encode());
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[2][0], kBirthdayLocal.lid);
    EXPECT_EQ(entries.back()[2], 3u);
    std::set<uint32_t> indexes;
    for (const auto& e : entries) EXPECT_TRUE(indexes.insert(e[2]).second) << "index " << e[2] << " used twice";
    EXPECT_THROW(second.IdFor(pst::NameMap::ClosingName()), pst::PstError);

    pst::NameMap withoutClosing;  // a map another writer left without one gets it with the next commit
    pst::PropMap foreign = encoded;
    auto& stream = std::get<mapi::Binary>(foreign[mapi::nameid::kEntryStreamId].value);
    stream.resize(stream.size() - 8);
    withoutClosing.Load(foreign);
    EXPECT_TRUE(withoutClosing.Dirty());
    EXPECT_EQ(withoutClosing.Find(kKeywords), keywords);
}

TEST(PstNameMap, PstExtractorMapsEveryNamedPropertyOfAStoreWrittenInTwoSessions) {
    ASSERT_EQ(MissingNodeReaders(), "");
    TempDir dir;
    const std::string path = dir / "two.pst";
    auto contact = [](const mapi::NamedProperty& name, mapi::PropertyValue v, mapi::PropType t) {
        mapi::PropertyBag b;
        b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
        b.Set(mapi::PropertyKey::Named(name, t), std::move(v));
        return b;
    };
    {
        auto f = pst::PstFile::Create(path, "Two");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        f->AddMessage(c, contact(kCity, std::string("Springfield"), mapi::PropType::Unicode));
        f->Close();
    }
    {
        auto f = pst::PstFile::Open(path);
        auto c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
        f->AddMessage(c, contact(kBirthdayLocal, mapi::FileTime{125'000'000'000'000'000}, mapi::PropType::SysTime));
        f->AddMessage(c, contact(kKeywords, mapi::Strings{"Golf", "VIP"}, mapi::PropType::MultipleUnicode));
        f->Close();
    }
    ExtractorView view = ReadWithPstExtractor(path);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), 3u);
    EXPECT_EQ(view.items[0].props["lid:8046"], "Springfield");
    EXPECT_EQ(view.items[1].props["lid:80de"], "125000000000000000");
    EXPECT_EQ(view.items[2].lists["name:Keywords"], (std::vector<std::string>{"Golf", "VIP"}));
    EXPECT_EQ(view.output.find("\tid:"), std::string::npos) << view.output;  // no unmapped named property
}

}  // namespace
