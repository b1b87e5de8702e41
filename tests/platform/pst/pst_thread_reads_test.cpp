// A folder's items read on several threads: handed on in the folder's order,
// each once, an unreadable one in its place, a stop obeyed, and items not yet
// committed read as the writer left them.
#include <support/temp_files.h>
#include <support/test_files.h>

#include <mapi/source_identity.h>
#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

using namespace testsupport;

namespace {

constexpr int kItems = 3000;  // several runs of items past the first
constexpr int kDamaged = 2500;

mapi::PropertyBag Item(int n) {
    mapi::PropertyBag b;
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    // A marker of the item's own, found in the file to damage it.
    b.Set(mapi::PidTagSubject.Key(), n == kDamaged ? std::string("DAMAGEME") : "person" + std::to_string(n));
    mapi::SetSourceIdentity(b, {"replica:852571E80054A1B2", "UNID" + std::to_string(n), {1000}, 1});
    return b;
}

struct Visits {
    std::vector<pst::Nid> order;
    std::vector<std::string> unids;  // empty where the item could not be read
};

Visits ReadAll(const pst::PstFile& file, pst::Nid folder, size_t stopAfter = SIZE_MAX) {
    Visits v;
    file.ReadEachMessage(folder, mapi::SourceIdentityKeys(), [&](pst::Nid nid, const mapi::PropertyBag* props) {
        v.order.push_back(nid);
        auto id = props ? mapi::GetSourceIdentity(*props) : std::nullopt;
        v.unids.push_back(id ? id->unid : "");
        return v.order.size() < stopAfter;
    });
    return v;
}

}  // namespace

TEST(PstThreadReads, ItemsComeInTheFoldersOrderEachOnceWithTheDamagedOneInItsPlace) {
    TempDir dir;
    const std::string path = dir / "many.pst";
    pst::Nid folder = 0;
    std::vector<pst::Nid> added;
    {
        auto f = pst::PstFile::Create(path, "Many");
        folder = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < kItems; ++i) added.push_back(f->AddMessage(folder, Item(i)));
        // Read by the writer before anything is committed: what it wrote
        // last is still in its buffer.
        const Visits pending = ReadAll(*f, folder);
        ASSERT_EQ(pending.order.size(), size_t(kItems));
        EXPECT_EQ(pending.unids[kItems - 1], "UNID" + std::to_string(kItems - 1));
        f->Close();
    }
    std::vector<pst::Nid> inOrder = added;
    std::sort(inOrder.begin(), inOrder.end());

    std::string bytes = ReadFile(path);
    const std::string marker{'D', 0, 'A', 0, 'M', 0, 'A', 0, 'G', 0, 'E', 0};
    const size_t at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'X';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    auto file = pst::PstFile::Open(path, false);
    const Visits all = ReadAll(*file, folder);
    EXPECT_EQ(all.order, inOrder);
    size_t unreadable = 0;
    for (size_t i = 0; i < all.order.size(); ++i) {
        if (all.order[i] == added[kDamaged]) {
            EXPECT_EQ(all.unids[i], "");
            ++unreadable;
        } else {
            const int n = int(std::find(added.begin(), added.end(), all.order[i]) - added.begin());
            EXPECT_EQ(all.unids[i], "UNID" + std::to_string(n));
        }
    }
    EXPECT_EQ(unreadable, 1u);

    // A stop among the runs read ahead ends the visits there.
    EXPECT_EQ(ReadAll(*file, folder, 1700).order.size(), 1700u);
}
