// A contact document's files, the pictures of its rich text and its photo:
// what each becomes, what is left out and why, and what the notes say.
#include <contacts/attachment_files.h>
#include <exporting/contact_map.h>

#include <base/base64.h>

#include "person_record.h"

#include <gtest/gtest.h>

using namespace exporting;
using namespace testsupport;

namespace {

const std::string kJpeg = "\xFF\xD8\xFF\xE0 a jpeg";
const std::string kPng = "\x89PNG\r\n\x1A\n a png";

std::string FileItem(const std::string& name, const std::string& data) {
    return "<item name='$FILE'><object><file name='" + name + "'><filedata>" + data + "</filedata></file></object></item>";
}
std::string BodyOf(const std::string& paragraphs) {
    return "<item name='Body'><richtext><pardef id='1'/>" + paragraphs + "</richtext></item>";
}
std::string RefTo(const std::string& name) { return "<attachmentref name='" + name + "' displayname='" + name + "'/>"; }

ContactRecord ReadWithFiles(const std::string& items) { return exporttest::ReadPersonRecord(items); }

std::vector<std::string> FileList(const ContactRecord& c) {
    std::vector<std::string> names;
    for (const auto& a : c.attachments) names.push_back(a.name + " " + a.mimeType + " " + std::to_string(a.bytes.size()));
    return names;
}

}  // namespace

TEST(ContactAttachments, EveryFileAndPictureArrivesWholeAndTheNotesNameEachOnce) {
    const ContactRecord c = ReadWithFiles(
        BodyOf("<par def='1'>Sheet " + RefTo("prices.pdf") + " and <picture><png>" + base::Base64Encode(kPng) +
             "</png></picture>, an icon <picture><notesbitmap>AAAA</notesbitmap></picture>.</par>") +
        FileItem("prices.pdf", base::Base64Encode("%PDF-1.4", 76)) + FileItem("../../etc/pass&#9;wd", base::Base64Encode("x")) +
        FileItem("table.bin", base::Base64Encode(std::string("\0\1\2\xFF", 4))));
    EXPECT_EQ(FileList(c), (std::vector<std::string>{"picture-1.png image/png 14", "prices.pdf application/pdf 8",
                                                  "passwd application/octet-stream 1",
                                                  "table.bin application/octet-stream 4"}));
    EXPECT_EQ(c.attachments[3].bytes, std::string("\0\1\2\xFF", 4));
    EXPECT_EQ(c.body, "Sheet [attachment: prices.pdf] and [picture: picture-1.png], an icon [picture].\n"
                      "[attachment: passwd]\n[attachment: table.bin]");
    EXPECT_TRUE(c.hasAttachments);
    EXPECT_TRUE(c.attachmentsLeftOut.empty());
    EXPECT_FALSE(c.photo) << "no file is an image";
    // Nothing of a file but its name reaches the notes.
    for (const NotesItem& item : c.items)
        for (const std::string& v : item.values) EXPECT_EQ(v.find("PDF"), std::string::npos) << item.name;
}

TEST(ContactAttachments, DamagedFilesAreLeftOutAloneAndTheContactWithoutFilesHasNone) {
    const ContactRecord c = ReadWithFiles(FileItem("broken.doc", "SGVsbG8*!!") + FileItem("half.txt", "SGVsbG8") +
                                 FileItem("padded.txt", "SG=VsbG8=") + FileItem("ok.txt", " SGVs\nbG8= "));
    EXPECT_EQ(FileList(c), (std::vector<std::string>{"ok.txt text/plain 5"}));
    EXPECT_EQ(c.attachmentsLeftOut, (std::vector<std::string>{"broken.doc: its data is damaged",
                                                              "half.txt: its data is damaged",
                                                              "padded.txt: its data is damaged"}));
    std::string out;
    EXPECT_EQ(base::Base64DecodeChecked("QUJD", 2, &out), base::Base64Check::TooLarge);
    EXPECT_EQ(base::Base64DecodeChecked("QUJD", 3, &out), base::Base64Check::Ok);
    EXPECT_EQ(out, "ABC");

    const ContactRecord none = ReadWithFiles("<item name='FullName'><text>Kim Plain</text></item>");
    EXPECT_FALSE(none.hasAttachments);
    EXPECT_TRUE(none.attachments.empty());
    EXPECT_TRUE(none.body.empty());
}

TEST(ContactAttachments, ThePhotoIsThePictureOrFileAPhotoItemNamesElseTheOnlyImageFile) {
    const std::string jpeg = base::Base64Encode(kJpeg), png = base::Base64Encode(kPng);
    struct Case {
        const char* what;
        std::string items;
        std::string photoType;  // empty: no photo
    };
    const Case cases[] = {
        {"a picture in a Photo item", "<item name='Photo'><richtext><par><picture><jpeg>" + jpeg +
                                          "</jpeg></picture></par></richtext></item>" + FileItem("b.png", png),
         "image/jpeg"},
        {"a file a Photo item names", "<item name='Photo'><text>b.png</text></item>" + FileItem("a.jpg", jpeg) + FileItem("b.png", png),
         "image/png"},
        {"the only image file", FileItem("a.jpg", jpeg) + FileItem("notes.txt", "eA=="), "image/jpeg"},
        {"two image files and no Photo item", FileItem("a.jpg", jpeg) + FileItem("b.png", png), ""},
        {"an image by name that is none by its bytes", FileItem("a.jpg", "eA=="), ""},
    };
    for (const Case& c : cases) {
        const ContactRecord read = ReadWithFiles(c.items);
        EXPECT_EQ(read.photo ? read.photo->mimeType : "", c.photoType) << c.what;
        EXPECT_TRUE(read.hasAttachments) << c.what;
    }
    EXPECT_EQ(contacts::CleanFileName("C:\\dir\\a.txt"), "a.txt");
    EXPECT_EQ(contacts::CleanFileName(" .. "), "attachment");
    EXPECT_EQ(contacts::SizeText(1536), "1.5 KB");
}
