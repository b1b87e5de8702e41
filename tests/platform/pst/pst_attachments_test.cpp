// Items with attachments: each attachment's properties and bytes read back
// as written, across blocks and after a reopen; a replaced item carries its
// new attachments only, and a store with them opens cleanly for pffexport.
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

mapi::PropertyBag Item(const std::string& subject) {
    mapi::PropertyBag p;
    p.Set(mapi::PidTagSubject.Key(), subject);
    p.Set(mapi::PidTagMessageFlags.Key(), mapi::kMsgFlagRead);
    return p;
}

// What a reader needs to see of each attachment: its name, bytes and number.
std::vector<std::string> Seen(const std::vector<mapi::PropertyBag>& attachments) {
    std::vector<std::string> out;
    for (const auto& a : attachments) {
        const mapi::Binary* bytes = a.GetBinary(mapi::PidTagAttachDataBinary.Key());
        out.push_back(a.GetString(mapi::PidTagAttachLongFilename.Key()).value_or("?") + " " +
                      std::to_string(bytes ? bytes->size() : 0) + " " +
                      std::to_string(a.GetInt32(mapi::PidTagAttachNumber.Key()).value_or(-1)) + " " +
                      std::to_string(a.GetInt32(mapi::PidTagAttachMethod.Key()).value_or(-1)) +
                      (a.Has(mapi::PidLidHasPicture.Key()) ? " named" : ""));
    }
    return out;
}

}  // namespace

TEST(PstAttachments, ReadBackWholeReplacedWithTheItemAndSeenByPffexport) {
    ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
    TempDir dir;
    const std::string path = dir / "attachments.pst";
    const std::vector<mapi::PropertyBag> three{Attachment("small.txt", 10), Attachment("large.bin", 300000),
                                               Attachment("empty", 0)};
    pst::Nid with = 0, without = 0;
    {
        auto f = pst::PstFile::Create(path, "Attachments");
        auto folder = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        with = f->AddMessage(folder, Item("with"), three);
        without = f->AddMessage(folder, Item("without"));
        f->Close();
    }
    auto f = pst::PstFile::Open(path);
    const std::vector<mapi::PropertyBag> read = f->ReadAttachments(with);
    EXPECT_EQ(Seen(read), (std::vector<std::string>{"small.txt 10 0 1 named", "large.bin 300000 1 1 named", "empty 0 2 1 named"}));
    EXPECT_EQ(*read[1].GetBinary(mapi::PidTagAttachDataBinary.Key()), *three[1].GetBinary(mapi::PidTagAttachDataBinary.Key()));
    EXPECT_EQ(*f->ReadMessage(with).GetInt32(mapi::PidTagMessageFlags.Key()), mapi::kMsgFlagRead | mapi::kMsgFlagHasAttach);
    EXPECT_TRUE(f->ReadAttachments(without).empty());
    EXPECT_EQ(*f->ReadMessage(without).GetInt32(mapi::PidTagMessageFlags.Key()), mapi::kMsgFlagRead);

    // Replacing an item replaces its attachments; the old ones are let go.
    f->ReplaceMessage(with, Item("with, replaced"), {Attachment("new.txt", 5)});
    f->ReplaceMessage(without, Item("without, now with"), three);
    f->Close();
    f = pst::PstFile::Open(path);
    EXPECT_EQ(Seen(f->ReadAttachments(with)), (std::vector<std::string>{"new.txt 5 0 1 named"}));
    EXPECT_EQ(f->ReadAttachments(without).size(), 3u);
    f->ReplaceMessage(with, Item("with none"));
    EXPECT_TRUE(f->ReadAttachments(with).empty());
    EXPECT_EQ(*f->ReadMessage(with).GetInt32(mapi::PidTagMessageFlags.Key()), mapi::kMsgFlagRead);
    f->Close();
    f.reset();

    size_t files = 0;
    for (const PffItem& item : PffExportItems(path, dir.Path().string())) {
        if (item.Text(0x0037) != "without, now with") continue;
        ASSERT_EQ(item.files.size(), 3u);
        const mapi::Binary& large = *three[1].GetBinary(mapi::PidTagAttachDataBinary.Key());
        EXPECT_EQ(item.files.at("large.bin"), std::string(large.begin(), large.end()));
        ++files;
    }
    EXPECT_EQ(files, 1u);
}
