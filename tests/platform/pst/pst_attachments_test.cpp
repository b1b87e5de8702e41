// Items with attachments: each attachment's properties and bytes read back
// as written, across blocks and after a reopen; a replaced item carries its
// new attachments only. (Outside readers check them in the export tests.)
#include "outside_readers.h"

#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

mapi::PropertyBag Attachment(const std::string& name, size_t size) {
    mapi::PropertyBag a;
    a.Set(mapi::PidTagAttachLongFilename.Key(), name);
    mapi::Binary bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 7 + name.size());
    a.Set(mapi::PidTagAttachDataBinary.Key(), bytes);
    a.Set(mapi::PidLidHasPicture.Key(), true);  // a named property, mapped like an item's
    return a;
}

mapi::PropertyBag Item(int32_t flags = mapi::kMsgFlagRead) {
    mapi::PropertyBag p;
    p.Set(mapi::PidTagMessageFlags.Key(), flags);
    return p;
}

// Each attachment as "name size number method", its bytes compared with the one written.
std::vector<std::string> Seen(const std::vector<mapi::PropertyBag>& read, const std::vector<mapi::PropertyBag>& written) {
    std::vector<std::string> out;
    for (size_t i = 0; i < read.size(); ++i) {
        const mapi::Binary* bytes = read[i].GetBinary(mapi::PidTagAttachDataBinary.Key());
        EXPECT_TRUE(bytes && i < written.size() && *bytes == *written[i].GetBinary(mapi::PidTagAttachDataBinary.Key()));
        EXPECT_TRUE(read[i].Has(mapi::PidLidHasPicture.Key()));
        out.push_back(*read[i].GetString(mapi::PidTagAttachLongFilename.Key()) + " " + std::to_string(bytes ? bytes->size() : 0) +
                      " " + std::to_string(*read[i].GetInt32(mapi::PidTagAttachNumber.Key())) + " " +
                      std::to_string(*read[i].GetInt32(mapi::PidTagAttachMethod.Key())));
    }
    return out;
}

}  // namespace

TEST(PstAttachments, ReadBackWholeAndReplacedWithTheItem) {
    TempDir dir;
    const std::string path = dir / "attachments.pst";
    const std::vector<mapi::PropertyBag> three{Attachment("small.txt", 10), Attachment("large.bin", 300000), Attachment("empty", 0)},
        one{Attachment("new.txt", 5)};
    pst::Nid with = 0, without = 0;
    {
        auto f = pst::PstFile::Create(path, "Attachments");
        auto folder = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        with = f->AddMessage(folder, Item(), three);
        without = f->AddMessage(folder, Item());
        f->Close();
    }
    auto f = pst::PstFile::Open(path);
    EXPECT_EQ(Seen(f->ReadAttachments(with), three),
              (std::vector<std::string>{"small.txt 10 0 1", "large.bin 300000 1 1", "empty 0 2 1"}));
    EXPECT_EQ(*f->ReadMessage(with).GetInt32(mapi::PidTagMessageFlags.Key()), mapi::kMsgFlagRead | mapi::kMsgFlagHasAttach);
    EXPECT_TRUE(f->ReadAttachments(without).empty());

    // Replacing an item replaces its attachments, and its flags follow.
    f->ReplaceMessage(with, Item(mapi::kMsgFlagHasAttach), one);
    f->ReplaceMessage(without, Item(), three);
    f->Close();
    f = pst::PstFile::Open(path);
    EXPECT_EQ(Seen(f->ReadAttachments(with), one), (std::vector<std::string>{"new.txt 5 0 1"}));
    EXPECT_EQ(Seen(f->ReadAttachments(without), three).size(), 3u);
    f->ReplaceMessage(with, Item(mapi::kMsgFlagRead | mapi::kMsgFlagHasAttach));
    EXPECT_TRUE(f->ReadAttachments(with).empty());
    EXPECT_EQ(*f->ReadMessage(with).GetInt32(mapi::PidTagMessageFlags.Key()), mapi::kMsgFlagRead);
    f->Close();
    EXPECT_NO_THROW(pst::PstFile::Open(path, false)->CheckFolders());
}
