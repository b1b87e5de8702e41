// A saved contact carries a full name and a file-under text made from its
// name parts, as Outlook fills them in, in MSG files as in PST stores.
#include <mapi/tags.h>
#include <store/contact_item.h>
#include <store/msg_file.h>

#include <msg_reader.h>

#include <gtest/gtest.h>

#include "conversion_fixtures.h"

using namespace store;
using mapi::ContactField;

namespace {

using conversion_fixtures::Capture;

mapi::PropertyKey FileUnder() { return mapi::PidLidFileUnder.Key(); }

}  // namespace

TEST(DerivedNames, FullNameAndFileUnderComeFromTheNameParts) {
    struct Case {
        const char* what;
        std::vector<std::pair<ContactField, std::string>> set;
        std::optional<std::string> fullName, fileUnder;  // none: not written
    } cases[] = {
        {"every part", {{ContactField::Title, "Dr."}, {ContactField::FirstName, "Ada"}, {ContactField::MiddleName, "King"}, {ContactField::LastName, "Lovelace"}},
         "Dr. Ada King Lovelace", "Lovelace, Ada"},
        {"last name only", {{ContactField::LastName, "Ёлкина"}}, "Ёлкина", "Ёлкина"},
        {"first name only", {{ContactField::FirstName, "山田"}}, "山田", "山田"},
        {"full name kept", {{ContactField::FullName, "Ada L."}, {ContactField::FirstName, "Ada"}, {ContactField::LastName, "Lovelace"}},
         "Ada L.", "Lovelace, Ada"},
        {"empty full name replaced", {{ContactField::FullName, ""}, {ContactField::FirstName, "Ada"}}, "Ada", "Ada"},
        {"full name alone", {{ContactField::FullName, "Νίκος"}}, "Νίκος", "Νίκος"},
        {"company alone", {{ContactField::CompanyName, "Acme"}}, std::nullopt, "Acme"},
        {"nothing", {{ContactField::Spouse, "x"}}, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mapi::PropertyBag saved;
        ContactItem item(std::make_unique<Capture>(&saved));
        for (const auto& [field, text] : c.set) item.Set(field, text);
        item.Save();
        EXPECT_EQ(saved.GetString(mapi::InfoOf(ContactField::FullName).key), c.fullName);
        EXPECT_EQ(saved.GetString(FileUnder()), c.fileUnder);
    }
}

TEST(DerivedNames, MsgFileCarriesThemAndFollowsARename) {
    testsupport::TempDir dir;
    std::string path = dir / "c.msg";
    auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    ASSERT_TRUE(item);
    item->Set(ContactField::FirstName, "Anna");
    item->Set(ContactField::LastName, "Berg");
    item->Save();
    auto r = testsupport::RunMsgReader(path);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    auto props = testsupport::ReaderProps(r.out);
    EXPECT_EQ(props["3001"], "Anna Berg");
    EXPECT_EQ(props["lid:8005"], "Berg, Anna");

    // Read back and renamed: the derived names follow; an untouched file
    // keeps what it had.
    auto again = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    again->Set(ContactField::LastName, "Åström");
    again->Save();
    auto renamed = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    EXPECT_EQ(renamed->Get(ContactField::FullName), "Anna Åström");
    EXPECT_EQ(renamed->Properties().GetString(FileUnder()), "Åström, Anna");
    renamed->Set(ContactField::Spouse, "Nils");
    renamed->Save();
    EXPECT_EQ(CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat)->Get(ContactField::FullName), "Anna Åström");
}
