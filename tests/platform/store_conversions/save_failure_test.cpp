#include <store/contact_item.h>
#include <store/conversions.h>

#include <file_size_limit.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

using namespace store;
using testsupport::FileSizeLimit;

namespace {

ContactItem BigContact() {
    ContactItem item(nullptr);
    item.Set(mapi::ContactField::FullName, "New Name");
    item.Set(mapi::ContactField::Body, std::string(20000, 'x'));
    return item;
}

}  // namespace

TEST(SaveFailure, FailedWriteLeavesNoPartialFileAndKeepsTheOldOne) {
    testsupport::TempDir dir;
    struct Case { const char* what; int type; bool oldFile; };
    const Case cases[] = {
        {"text, new file", olTXT, false},
        {"HTML over an old file", olHTML, true},
        {"vCard over an old file", olVCard, true},
        {"MHTML, new file", olMHTML, false},
        {"RTF over an old file", olRTF, true},
    };
    for (const auto& c : cases) {
        std::string path = dir / "out.file";
        std::filesystem::remove(path);
        if (c.oldFile) std::ofstream(path) << "old content";
        {
            FileSizeLimit limit(1000);
            EXPECT_THROW(BigContact().SaveAs(path, c.type), StoreError) << c.what;
        }
        if (c.oldFile) EXPECT_EQ(testsupport::ReadFile(path), "old content") << c.what;
        else EXPECT_FALSE(std::filesystem::exists(path)) << c.what;
        size_t entries = std::distance(std::filesystem::directory_iterator(dir.Path()), {});
        EXPECT_EQ(entries, c.oldFile ? 1u : 0u) << c.what << ": temporary file left behind";
    }
}

TEST(SaveFailure, UnwritablePlacesGiveStoreErrorsWithTheirCause) {
    testsupport::TempDir dir;
    struct Case { const char* what; std::string path; ErrorCode code; };
    const Case cases[] = {
        {"missing folder", dir / "missing/out.txt", ErrorCode::NotFound},
        {"path through a file", "/etc/hostname/out.txt", ErrorCode::NotFound},
    };
    for (const auto& c : cases) {
        try {
            BigContact().SaveAs(c.path, olTXT);
            ADD_FAILURE() << c.what;
        } catch (const StoreError& e) {
            EXPECT_EQ(e.Code(), c.code) << c.what << ": " << e.what();
        }
    }
}
