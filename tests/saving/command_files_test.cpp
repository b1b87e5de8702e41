// The exact bytes of the command files, and reading them back.
#include "outside_readers.h"

#include <store/companion.h>
#include <store/error.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace testsupport;

namespace {

TEST(CommandFiles, WritersProduceTheExactBytes) {
    TempDir dir;
    setenv("FERRYWELL_COMMAND_DIR", dir.Path().c_str(), 1);
    store::WriteSavingFile("/home/u/out/Names-Corvane-7-12-2026 9 5 3 42.pst", "Names-Corvane-7-12-2026 9 5 3 42");
    store::WriteMailSavingFile("\\\\Names-Corvane\\Contacts\\Ünï 店\\");
    EXPECT_EQ(ReadFile(dir / "saving.txt"),
              "PSTFILENAME: /home/u/out/Names-Corvane-7-12-2026 9 5 3 42.pst<br>MailBoxName: Names-Corvane-7-12-2026 9 5 3 42<br>\r\n");
    EXPECT_EQ(ReadFile(dir / "mailsaving.txt"), "FolderPath:\\\\Names-Corvane\\Contacts\\Ünï 店\\\r\ntempFolderType:\r\n");
    auto s = store::ParseSavingText(store::ReadCommandFile(dir.Path(), store::kSavingFile));
    EXPECT_EQ(s.pstPath, "/home/u/out/Names-Corvane-7-12-2026 9 5 3 42.pst");
    EXPECT_EQ(s.mailboxName, "Names-Corvane-7-12-2026 9 5 3 42");
    EXPECT_EQ(store::ParseMailSavingText(store::ReadCommandFile(dir.Path(), store::kMailSavingFile)).folderPath,
              "\\\\Names-Corvane\\Contacts\\Ünï 店\\");
    unsetenv("FERRYWELL_COMMAND_DIR");
}

TEST(CommandFiles, BadTextsAreRejected) {
    const char* saving[] = {
        "",
        "PSTFILENAME: /a.pst\r\n",                         // no MailBoxName
        "PSTFILENAME: <br>MailBoxName: Name<br>\r\n",        // empty path
        "PSTFILENAME: /a.pst<br>MailBoxName: <br>\r\n",      // empty name
        "MailBoxName: Name<br>\r\n",                         // no path line
    };
    for (const char* t : saving) EXPECT_THROW(store::ParseSavingText(t), store::StoreError) << t;
    const char* mail[] = {"", "FolderPath:\r\ntempFolderType:\r\n", "tempFolderType:\r\n", "FolderPath:\\\\S\\A\r\n"};
    for (const char* t : mail) EXPECT_THROW(store::ParseMailSavingText(t), store::StoreError) << t;
}

TEST(CommandFiles, ControlCharactersAndOverlongValuesAreRejected) {
    // Anything that could break a line of the profile, in either value.
    const std::string breaks[] = {"\n", "\r", "\t", std::string(1, '\0'), "\x1b", "\x7f", "\xC2\x85", "\xE2\x80\xA8"};
    for (const auto& b : breaks) {
        SCOPED_TRACE(testing::PrintToString(b));
        EXPECT_THROW(store::ParseSavingText(store::SavingText("/a" + b + "Injected\t./evil.pst", "N")), store::StoreError);
        EXPECT_THROW(store::ParseSavingText(store::SavingText("/a.pst", "N" + b + "x")), store::StoreError);
        EXPECT_THROW(store::ParseMailSavingText(store::MailSavingText("\\\\S\\A" + b + "B")), store::StoreError);
    }
    std::string name255;
    for (int i = 0; i < 255; ++i) name255 += "\xC3\xBC";  // 255 characters, 510 bytes
    const std::string path4096 = "/" + std::string(4091, 'p') + ".pst";
    EXPECT_NO_THROW(store::ParseSavingText(store::SavingText(path4096, name255)));
    EXPECT_THROW(store::ParseSavingText(store::SavingText(path4096, name255 + "x")), store::StoreError);
    EXPECT_THROW(store::ParseSavingText(store::SavingText("/" + path4096, name255)), store::StoreError);
    // Printable text beyond ASCII is fine.
    EXPECT_NO_THROW(store::ParseSavingText(store::SavingText("/Ünï 店.pst", "Мария \xE2\x80\xA6")));
}

TEST(CommandFiles, ProgramFolderIsUsedWhenWritable) {
    unsetenv("FERRYWELL_COMMAND_DIR");
    EXPECT_EQ(std::filesystem::path(store::ProgramFolder()), std::filesystem::path(FERRYWELL_BIN_DIR));
    EXPECT_EQ(store::CommandFolder(), store::ProgramFolder());
}

}  // namespace
