#include <mapi/tags.h>
#include <store/msg_file.h>

#include <msg/msg_file.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

using namespace store;
using mapi::ContactField;
using testsupport::Quote;

namespace {

const mapi::PropertyKey kClassKey = mapi::PidTagMessageClass.Key();

void WriteForeignMsg(const std::string& path, const std::string& cls) {
    mapi::PropertyBag bag;
    bag.Set(kClassKey, cls);
    bag.Set(mapi::InfoOf(ContactField::Spouse).key, std::string("kept"));
    msg::WriteMsgFile(path, bag);
}

}  // namespace

TEST(ContactFileItem, SavedItemHoldsEveryFieldThatWasSet) {
    testsupport::TempDir dir;
    std::string path = dir / "Acme7.msg";
    auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    ASSERT_TRUE(item);
    for (const auto& f : mapi::ContactFields())
        if (f.key.type == mapi::PropType::Unicode) item->Set(f.field, std::string(f.name) + " \xCE\xA9\xD0\xAF\xE5\x8C\x97");
    item->SetDate(ContactField::Birthday, 25000.0);
    item->SetDate(ContactField::Anniversary, 0.0);
    item->SetSent(true);
    EXPECT_FALSE(std::filesystem::exists(path)) << "nothing is written before Save";
    item->Save();

    mapi::PropertyBag back = msg::ReadMsgFile(path);
    for (const auto& [key, value] : item->Properties().All()) EXPECT_EQ(back.Find(key) ? *back.Find(key) : mapi::PropertyValue{}, value);
    EXPECT_EQ(back.GetString(kClassKey), "IPM.Contact");
    EXPECT_EQ(back.GetInt32(mapi::InfoOf(ContactField::Sent).key), mapi::kMsgFlagRead);

    REQUIRE_TOOL("msgconvert");
    auto r = testsupport::Run("cd " + Quote(dir.Path().string()) + " && msgconvert Acme7.msg");
    EXPECT_EQ(r.exitCode, 0) << r.out;
}

TEST(ContactFileItem, ExistingFileIsLoadedAndSavedWithTheNewValues) {
    testsupport::TempDir dir;
    std::string path = dir / "c.msg";
    {
        auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
        item->Set(ContactField::FirstName, "Anna");
        item->Set(ContactField::LastName, "Berg");
        item->Save();
    }
    auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Get(ContactField::FirstName), "Anna");
    item->Set(ContactField::LastName, "\xC3\x85str\xC3\xB6m");
    item->Save();
    auto again = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    EXPECT_EQ(again->Get(ContactField::FirstName), "Anna");
    EXPECT_EQ(again->Get(ContactField::LastName), "\xC3\x85str\xC3\xB6m");
}

TEST(ContactFileItem, WhatIsNotAContactGivesNoItem) {
    testsupport::TempDir dir;
    WriteForeignMsg(dir / "note.msg", "IPM.Note");
    WriteForeignMsg(dir / "custom.msg", "IPM.Contact.Custom");
    EXPECT_EQ(CreateMessageFromMsgFile(dir / "new.msg", "IPM.Note", kMsgFileFormat), nullptr);
    EXPECT_EQ(CreateMessageFromMsgFile(dir / "new.msg", "IPM.Contacts", kMsgFileFormat), nullptr);
    EXPECT_EQ(CreateMessageFromMsgFile(dir / "note.msg", "IPM.Contact", kMsgFileFormat), nullptr);
    auto custom = CreateMessageFromMsgFile(dir / "custom.msg", "IPM.Contact", kMsgFileFormat);
    ASSERT_TRUE(custom);
    EXPECT_EQ(custom->Get(ContactField::Spouse), "kept");
}

TEST(ContactFileItem, BadArgumentsAndBadFilesRaiseStoreErrors) {
    testsupport::TempDir dir;
    std::ofstream(dir / "text.msg") << "not a message";
    struct Case { const char* what; std::string path; int format; ErrorCode code; };
    const Case cases[] = {
        {"other file format", dir / "a.msg", 5, ErrorCode::InvalidArgument},
        {"existing file that is not MSG", dir / "text.msg", kMsgFileFormat, ErrorCode::BadFormat},
    };
    for (const auto& c : cases) {
        try {
            CreateMessageFromMsgFile(c.path, "IPM.Contact", c.format);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.Code(), c.code) << c.what;
        }
    }
    EXPECT_EQ(testsupport::ReadFile(dir.Path() / "text.msg"), "not a message") << "a foreign file is left alone";

    auto item = CreateMessageFromMsgFile(dir / "no-such-folder/x.msg", "IPM.Contact", kMsgFileFormat);
    ASSERT_TRUE(item);
    try {
        item->Save();
        ADD_FAILURE() << "saving into a missing folder succeeded";
    } catch (const StoreError& e) {
        EXPECT_EQ(e.Code(), ErrorCode::NotFound);
    }
}
