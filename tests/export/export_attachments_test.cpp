// The files of samples/attachments.dxl read back from every output that
// carries them, by outside readers: pst-extractor, pffexport and readpst
// for the PST; msgreader and olefile for the MSG files. Bytes compared.
#include "export_fixture.h"

#include <base/base64.h>
#include <mapi/tags.h>
#include <msg_reader.h>

#include <map>

using namespace exporttest;
using namespace testsupport;

namespace {

const std::string kJpeg = base::Base64Decode(
    "/9j/4AAQSkZJRgABAQEASABIAAD/2wBDAP//////////////////////////////////////////////////////////////////////////////////////"
    "wgALCAABAAEBAREA/8QAFBABAAAAAAAAAAAAAAAAAAAAAP/aAAgBAQABPxA=");
const std::string kPng = base::Base64Decode(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
const std::string kGif = base::Base64Decode("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");

std::string AllBytes() {
    std::string all;
    for (int i = 0; i < 256; ++i) all += char(i);
    return all;
}

// Each contact's attachments, in the order written.
const std::map<std::string, std::vector<ReadAttachment>>& Expected() {
    static const std::map<std::string, std::vector<ReadAttachment>> all{
        {"Hana Photo",
         {{"hana.jpg", "image/jpeg", false, kJpeg},
          {"prices.pdf", "application/pdf", false, "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj<<>>endobj\ntrailer<<>>\n%%EOF\n"},
          {"readme.txt", "text/plain", false, "Read me first.\r\nSecond line.\r\n"},
          {"ContactPicture.jpg", "image/jpeg", true, kJpeg}}},
        {"Ivo Pictures",
         {{"picture-1.png", "image/png", false, kPng},
          {"picture-2.gif", "image/gif", false, kGif},
          {"planv2.txt", "text/plain", false, "Plan, version 2\n"},
          {"table.bin", "application/octet-stream", false, AllBytes()}}},
        {"Jo Broken", {{"map.gif", "image/gif", false, kGif}, {"ContactPicture.jpg", "image/gif", true, kGif}}},
        {"Kim Plain", {}},
    };
    return all;
}

class AttachmentExport : public ExportTest {
protected:
    const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/attachments.dxl";

    std::string Export(const std::string& kind) {
        const std::string to = Out() + "/" + kind;
        std::filesystem::create_directories(to);
        const CliRun run = Cli("export " + Quote(kSample) + " --as " + kind + " --to " + Quote(to));
        EXPECT_EQ(run.code, 0) << run.Last();
        EXPECT_EQ(run.Count("Attachment left out: broken.doc: its data is damaged (Jo Broken)"), 1u) << kind;
        return to;
    }
};

}  // namespace

TEST_F(AttachmentExport, PstItemsCarryEachFileWholeForEveryReader) {
    ASSERT_EQ(MissingNodeReaders(), "");
    REQUIRE_TOOL("readpst");
    REQUIRE_TOOL("pffexport");
    std::string pst;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Export("pst")))
        if (e.path().extension() == ".pst") pst = e.path().string();

    const ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), Expected().size());
    for (const ExtractorItem& item : view.items) {
        const std::string name = item.props.at("3001");
        SCOPED_TRACE(name);
        const auto& files = Expected().at(name);
        EXPECT_EQ(item.attachments, files);
        const bool photo = !files.empty() && files.back().contactPhoto;
        EXPECT_EQ(item.props.count(ExtractorKey(mapi::PidLidHasPicture.Key())) ? item.props.at(ExtractorKey(mapi::PidLidHasPicture.Key())) : "0",
                  photo ? "1" : "0");
        EXPECT_EQ((std::stoi(item.props.at("0e07")) & mapi::kMsgFlagHasAttach) != 0, !files.empty());
        // Nothing of a file but its name reaches the notes.
        for (const char* inside : {"Read me first", "%PDF", "Plan, version"})
            EXPECT_EQ(item.props.count("1000") ? item.props.at("1000").find(inside) : std::string::npos, std::string::npos);
    }

    size_t seen = 0;
    for (const PffItem& item : PffExportItems(pst, dir.Path().string())) {
        std::map<std::string, std::string> files;
        for (const ReadAttachment& a : Expected().at(*item.Text(0x3001))) files[a.name] = a.bytes;
        EXPECT_EQ(item.files, files) << *item.Text(0x3001);
        ++seen;
    }
    EXPECT_EQ(seen, Expected().size());

    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
}

TEST_F(AttachmentExport, MsgFilesCarryEachFileWholeForMsgreaderAndOlefile) {
    ASSERT_EQ(MissingNodeReaders(), "");
    size_t seen = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Export("msg"))) {
        if (e.path().extension() != ".msg") continue;
        const ToolResult r = RunMsgReader(e.path().string());
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const std::string name = ReaderProps(r.out).at("3001");
        SCOPED_TRACE(name);
        const auto& files = Expected().at(name);
        EXPECT_EQ(AttachmentsIn(r.out), files);
        // olefile: one storage an attachment, its bytes in their stream.
        const ToolResult ole = RunPython(R"(
import sys, olefile
o = olefile.OleFileIO(sys.argv[1])
n = 0
while o.exists('__attach_version1.0_#%08X' % n):
    print(o.openstream('__attach_version1.0_#%08X/__substg1.0_37010102' % n).read().hex())
    n += 1
)", Quote(e.path().string()));
        ASSERT_EQ(ole.exitCode, 0) << ole.out;
        std::string hex;
        for (const ReadAttachment& a : files) {
            for (unsigned char c : a.bytes) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
            hex += '\n';
        }
        EXPECT_EQ(ole.out, hex);
        ++seen;
    }
    EXPECT_EQ(seen, Expected().size());
}

// The photo of each vCard as vobject reads it ("TYPE hex"), and as a real
// Evolution address book (evolution-data-server's local address book, in a
// private session bus and home) holds it after importing the card.
const char* kVobjectPhoto = R"(
import sys, vobject
card = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
photo = card.contents.get('photo')
print(photo[0].params['TYPE'][0] + ' ' + photo[0].value.hex() if photo else '-')
print(len(card.contents.get('attach', [])))
)";
const char* kEvolutionImport = R"(
import os, sys, gi
gi.require_version('EDataServer', '1.2'); gi.require_version('EBook', '1.2'); gi.require_version('EBookContacts', '1.2')
from gi.repository import EDataServer, EBook, EBookContacts, Gio
out = open(sys.argv[2], 'w')
registry = EDataServer.SourceRegistry.new_sync(None)
client = EBook.BookClient.connect_sync(registry.ref_builtin_address_book(), 1, None)
card = open(sys.argv[1], encoding='utf-8', newline='').read()
ok, uid = client.add_contact_sync(EBookContacts.Contact.new_from_vcard(card), EBookContacts.BookOperationFlags.NONE, None)
ok, stored = client.get_contact_sync(uid, None)
photo = stored.get_property('photo')
if photo is None:
    out.write('-\n')
elif photo.type == EBookContacts.ContactPhotoType.URI:
    out.write(open(Gio.File.new_for_uri(photo.get_uri()).get_path(), 'rb').read().hex() + '\n')
else:
    out.write(bytes(photo.get_inlined()).hex() + '\n')
out.close()
os._exit(0)
)";

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    return hex;
}

TEST_F(AttachmentExport, TheVCardCarriesThePhotoAloneForVobjectAndAnEvolutionAddressBook) {
    REQUIRE_TOOL("dbus-run-session");
    const std::filesystem::path home = dir.Path() / "home", runtime = home / "run";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const std::string script = dir.Write("import.py", kEvolutionImport);
    size_t seen = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Export("vcf"))) {
        if (e.path().extension() != ".vcf") continue;
        const std::string card = ReadFile(e.path());
        const std::string name = card.substr(card.find("\nFN:") + 4, card.find('\r', card.find("\nFN:")) - card.find("\nFN:") - 4);
        SCOPED_TRACE(name);
        const auto& files = Expected().at(name);
        const ReadAttachment* photo = !files.empty() && files.back().contactPhoto ? &files.back() : nullptr;
        const ToolResult v = RunPython(kVobjectPhoto, Quote(e.path().string()));
        ASSERT_EQ(v.exitCode, 0) << v.out;
        const std::string type = photo ? photo->mimeType.substr(6) : "";
        EXPECT_EQ(v.out, (photo ? std::string(type == "jpeg" ? "JPEG" : "GIF") + " " + Hex(photo->bytes) : "-") + "\n0\n");

        const std::string result = (dir.Path() / "evolution.txt").string();
        std::string out;
        ASSERT_EQ(RunTool("cd " + Quote(dir.Path().string()) + " && env HOME=" + Quote(home.string()) + " XDG_DATA_HOME=" +
                              Quote((home / "data").string()) + " XDG_CONFIG_HOME=" + Quote((home / "config").string()) +
                              " XDG_CACHE_HOME=" + Quote((home / "cache").string()) + " XDG_RUNTIME_DIR=" + Quote(runtime.string()) +
                              " dbus-run-session -- " + kPython + " " + Quote(script) + " " + Quote(e.path().string()) + " " +
                              Quote(result) + " >/dev/null 2>&1",
                          &out),
                  0)
            << out;
        EXPECT_EQ(ReadFile(result), (photo ? Hex(photo->bytes) : "-") + "\n");
        ++seen;
    }
    EXPECT_EQ(seen, Expected().size());
}

// Each MHTML part after the page as Python's e-mail parser reads it: its
// file name, type and bytes.
const char* kMhtmlParts = R"(
import sys, email
m = email.message_from_binary_file(open(sys.argv[1], 'rb'))
for part in list(m.walk())[2:]:
    print(part.get_filename(), part.get_content_type(), part.get_payload(decode=True).hex())
)";

TEST_F(AttachmentExport, MhtmlCarriesTheFilesAndEveryOtherRenderingListsThemByNameAndSize) {
    REQUIRE_TOOL("pdftotext");
    size_t seen = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Export("mhtml"))) {
        if (e.path().extension() != ".mhtml") continue;
        const ToolResult r = RunPython(kMhtmlParts, Quote(e.path().string()));
        ASSERT_EQ(r.exitCode, 0) << r.out;
        std::string expected;
        for (const auto& [name, files] : Expected())
            if (ReadFile(e.path()).find(name) != std::string::npos)
                for (const ReadAttachment& a : files)
                    if (!a.contactPhoto) expected += a.name + " " + a.mimeType + " " + Hex(a.bytes) + "\n";
        EXPECT_EQ(r.out, expected) << e.path();
        ++seen;
    }
    EXPECT_EQ(seen, Expected().size());
    for (const char* kind : {"html", "txt", "rtf", "doc", "pdf"}) {
        std::string all;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Export(kind))) {
            if (!e.is_regular_file() || e.path().extension() != std::string(".") + kind) continue;
            std::string text;
            if (std::string(kind) == "pdf") RunTool("pdftotext " + Quote(e.path().string()) + " -", &text);
            else text = ReadFile(e.path());
            all += text;
        }
        for (const char* listed : {"table.bin (256 bytes)", "hana.jpg (134 bytes)", "picture-1.png (70 bytes)", "map.gif (43 bytes)"})
            EXPECT_NE(all.find(listed), std::string::npos) << kind << ": " << listed;
        EXPECT_EQ(all.find("Read me first"), std::string::npos) << kind << ": a file's content in the rendering";
    }
}

TEST_F(AttachmentExport, ADamagedFileIsCountedAloneAndTheAttachmentFilterTestsTheContactsFiles) {
    Open(kSample);
    exporting::ExportOptions o = Options(exporting::OutputKind::Txt);
    const exporting::ExportOutcome outcome = Mailbox(o, Folders());
    EXPECT_EQ(outcome.totals.written, 4u);
    EXPECT_EQ(outcome.totals.failed, 0u);
    EXPECT_EQ(outcome.totals.attachmentsLeftOut, 1u);

    // Only the contact without files fails the attachment test.
    o.filterOn = o.requireAttachments = true;
    o.filterStart = notes::ConvertString2Date("1990-01-01 00:00:00");
    o.filterEnd = notes::ConvertString2Date("2030-01-01 00:00:00");
    Mailbox(o, Folders());
    EXPECT_EQ(sink.Count("Skip as Non Attachment Message"), 1u);
}
