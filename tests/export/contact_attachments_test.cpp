// A contact document's files, the pictures of its rich text and its photo:
// what each becomes, what is left out, and what the notes say.
#include <contacts/attachment_files.h>

#include <base/base64.h>

#include "person_record.h"

#include <gtest/gtest.h>

using exporttest::ReadPersonRecord;

namespace {

const std::string kJpeg = base::Base64Encode("\xFF\xD8\xFF\xE0 a jpeg"), kPng = base::Base64Encode("\x89PNG\r\n\x1A\n png");

std::string FileItem(const std::string& name, const std::string& data) {
    return "<item name='$FILE'><object><file name='" + name + "'><filedata>" + data + "</filedata></file></object></item>";
}

}  // namespace

TEST(ContactAttachments, EveryFileAndPictureArrivesWholeOrIsLeftOutAloneAndTheNotesNameEach) {
    const exporting::ContactRecord c = ReadPersonRecord(
        "<item name='Body'><richtext><par>Sheet <attachmentref name='prices.pdf' displayname='prices.pdf'/> and <picture><png>" +
        kPng + "</png></picture>, an icon <picture><notesbitmap>AAAA</notesbitmap></picture>.</par></richtext></item>" +
        FileItem("prices.pdf", base::Base64Encode("%PDF-1.4", 76)) + FileItem("../../etc/pass&#9;wd", " eA=\n= ") +
        FileItem("broken.doc", "SGVsbG8*!!") + FileItem("half.txt", "SGVsbG8") + FileItem("table.bin", "AAH/"));
    std::vector<std::string> files;
    for (const auto& a : c.attachments) files.push_back(a.name + " " + a.mimeType + " " + std::to_string(a.bytes.size()));
    EXPECT_EQ(files, (std::vector<std::string>{"picture-1.png image/png 12", "prices.pdf application/pdf 8",
                                               "passwd application/octet-stream 1", "table.bin application/octet-stream 3"}));
    EXPECT_EQ(c.attachments[3].bytes, std::string("\0\1\xFF", 3));
    EXPECT_EQ(c.attachmentsLeftOut,
              (std::vector<std::string>{"broken.doc: its data is damaged", "half.txt: its data is damaged"}));
    EXPECT_EQ(c.body, "Sheet [attachment: prices.pdf] and [picture: picture-1.png], an icon [picture].\n"
                      "[attachment: passwd]\n[attachment: broken.doc]\n[attachment: half.txt]\n[attachment: table.bin]");
    EXPECT_TRUE(c.hasAttachments);
    EXPECT_FALSE(c.photo) << "no file is an image";
    std::string out;
    EXPECT_EQ(base::Base64DecodeChecked("QUJD", 2, &out), base::Base64Check::TooLarge);
    EXPECT_EQ(contacts::SizeText(1) + ", " + contacts::SizeText(1536) + ", " + contacts::SizeText(1572864), "1 byte, 1.5 KB, 1.5 MB");
}

TEST(ContactAttachments, ThePhotoIsThePictureOrFileAPhotoItemNamesElseTheOnlyImageFile) {
    const struct {
        const char* what;
        std::string items;
        std::string photoType;  // empty: no photo
    } cases[] = {
        {"a picture in a Photo item",
         "<item name='Photo'><richtext><par><picture><jpeg>" + kJpeg + "</jpeg></picture></par></richtext></item>" +
             FileItem("b.png", kPng),
         "image/jpeg"},
        {"a file a Photo item names", "<item name='Photo'><text>b.png</text></item>" + FileItem("a.jpg", kJpeg) + FileItem("b.png", kPng),
         "image/png"},
        {"the only image file", FileItem("a.jpg", kJpeg) + FileItem("notes.txt", "eA=="), "image/jpeg"},
        {"two image files and no Photo item", FileItem("a.jpg", kJpeg) + FileItem("b.png", kPng), ""},
        {"an image by name that is none by its bytes", FileItem("a.jpg", "eA=="), ""},
    };
    for (const auto& c : cases) {
        const exporting::ContactRecord read = ReadPersonRecord(c.items);
        EXPECT_EQ(read.photo ? read.photo->mimeType : "", c.photoType) << c.what;
    }
    // A picture of an item the notes leave out is named after the body.
    const auto hidden = ReadPersonRecord("<item name='$Photo'><richtext><par><picture><jpeg>" + kJpeg + "</jpeg></picture></par></richtext></item>");
    EXPECT_EQ(hidden.photo ? hidden.photo->mimeType : "", "image/jpeg");
    EXPECT_EQ(hidden.body, "[picture: picture-1.jpg]");
}
