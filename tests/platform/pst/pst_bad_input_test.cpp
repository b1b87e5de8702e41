// Files that are not (whole) PST files, and invalid requests: clear errors,
// nothing written half.
#include "outside_readers.h"

#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace testsupport;

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ValidPst(const TempDir& dir) {
    std::string path = dir / "valid.pst";
    if (!std::filesystem::exists(path)) pst::PstFile::Create(path, "Valid")->Close();
    return ReadFile(path);
}

TEST(PstBadInput, DamagedOrForeignFilesAreRejected) {
    TempDir dir;
    const std::string valid = ValidPst(dir);
    std::string flipped = valid;
    flipped[300] ^= 0x5A;  // inside the header
    std::string damagedIndex = valid;
    damagedIndex[valid.size() - 1000] ^= 0x01;  // somewhere in the data
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", std::string(300000, 'a')},
        {"truncated", valid.substr(0, valid.size() / 2)},
        {"header checksum", flipped},
        {"magic only", "!BDN" + std::string(300000, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir / (std::string(c.name) + ".pst");
        WriteFile(path, c.bytes);
        try {
            pst::PstFile::Open(path, false);
            ADD_FAILURE() << "opened";
        } catch (const pst::PstError& e) {
            EXPECT_EQ(e.Kind(), pst::ErrorKind::BadFormat) << e.what();
        }
        EXPECT_EQ(ReadFile(path), c.bytes);  // opening never writes
    }
}

TEST(PstBadInput, MissingFileIsNotFound) {
    TempDir dir;
    try {
        pst::PstFile::Open(dir / "nope.pst");
        FAIL();
    } catch (const pst::PstError& e) {
        EXPECT_EQ(e.Kind(), pst::ErrorKind::NotFound);
    }
}

TEST(PstBadInput, CreateNeverReplacesOrLeavesHalfFiles) {
    TempDir dir;
    std::string existing = dir / "existing.pst";
    WriteFile(existing, "keep me");
    EXPECT_THROW(pst::PstFile::Create(existing, "X"), pst::PstError);
    EXPECT_EQ(ReadFile(existing), "keep me");

    // A folder nobody may write to (as root, /sys refuses new files).
    std::string ro = geteuid() == 0 ? "/sys" : dir / "ro";
    if (geteuid() != 0) {
        std::filesystem::create_directory(ro);
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    try {
        pst::PstFile::Create(ro + "/new.pst", "X");
        FAIL();
    } catch (const pst::PstError& e) {
        EXPECT_EQ(e.Kind(), pst::ErrorKind::AccessDenied) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(ro + "/new.pst"));
}

TEST(PstBadInput, FolderNamesAreChecked) {
    TempDir dir;
    auto f = pst::PstFile::Create(dir / "names.pst", "Names");
    f->CreateFolder(f->IpmSubtree(), "Contacts");
    for (std::string bad : {"", "A\\B", "contacts", "CONTACTS"}) {
        SCOPED_TRACE(bad);
        try {
            f->CreateFolder(f->IpmSubtree(), bad);
            ADD_FAILURE() << "created";
        } catch (const pst::PstError& e) {
            EXPECT_EQ(e.Kind(), pst::ErrorKind::InvalidArgument);
        }
    }
    EXPECT_THROW(f->CreateFolder(0x12345, "Orphan"), pst::PstError);
    EXPECT_EQ(f->Subfolders(f->IpmSubtree()).size(), 2u);
}

TEST(PstBadInput, ReadOnlyStoreRefusesWrites) {
    TempDir dir;
    ValidPst(dir);
    auto f = pst::PstFile::Open(dir / "valid.pst", false);
    EXPECT_THROW(f->CreateFolder(f->IpmSubtree(), "New"), pst::PstError);
    EXPECT_THROW(f->AddMessage(f->IpmSubtree(), {}), pst::PstError);
}

}  // namespace
