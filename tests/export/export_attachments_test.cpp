// The files of samples/attachments.dxl read back from every output, by
// outside readers: pst-extractor, pffexport and readpst for the PST,
// msgreader and olefile for MSG, vobject and an Evolution address book for
// the vCard's photo, Python's e-mail parser for MHTML. Bytes compared.
#include "export_fixture.h"

#include <base/base64.h>
#include <mapi/tags.h>
#include <pst/pst_file.h>
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

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
    return hex;
}

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
    // The files of an export with this extension.
    std::vector<std::string> Files(const std::string& kind, const std::string& extension = "") {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Export(kind)))
            if (e.path().extension() == "." + (extension.empty() ? kind : extension)) out.push_back(e.path().string());
        return out;
    }
};

// The photo of a vCard as vobject reads it ("TYPE hex"), then the number of
// other files it carries.
const char* kVobjectPhoto = R"(
import sys, vobject
card = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
photo = card.contents.get('photo')
print(photo[0].params['TYPE'][0] + ' ' + photo[0].value.hex() if photo else '-')
print(len(card.contents.get('attach', [])))
)";
// The photo a real Evolution address book (evolution-data-server's local
// book) holds after importing the vCard, in hex, into the file argv[2].
const char* kEvolutionImport = R"(
import os, sys, gi
gi.require_version('EDataServer', '1.2'); gi.require_version('EBook', '1.2'); gi.require_version('EBookContacts', '1.2')
from gi.repository import EDataServer, EBook, EBookContacts, Gio
registry = EDataServer.SourceRegistry.new_sync(None)
client = EBook.BookClient.connect_sync(registry.ref_builtin_address_book(), 1, None)
card = EBookContacts.Contact.new_from_vcard(open(sys.argv[1], encoding='utf-8', newline='').read())
ok, uid = client.add_contact_sync(card, EBookContacts.BookOperationFlags.NONE, None)
ok, stored = client.get_contact_sync(uid, None)
photo = stored.get_property('photo')
if photo is None: data = None
elif photo.type == EBookContacts.ContactPhotoType.URI: data = open(Gio.File.new_for_uri(photo.get_uri()).get_path(), 'rb').read()
else: data = bytes(photo.get_inlined())
open(sys.argv[2], 'w').write(data.hex() if data else '-')
os._exit(0)
)";
// Each MHTML part after the page: its file name, type and bytes.
const char* kMhtmlParts = R"(
import sys, email
m = email.message_from_binary_file(open(sys.argv[1], 'rb'))
for part in list(m.walk())[2:]:
    print(part.get_filename(), part.get_content_type(), part.get_payload(decode=True).hex())
)";

const ReadAttachment* PhotoOf(const std::vector<ReadAttachment>& files) {
    return !files.empty() && files.back().contactPhoto ? &files.back() : nullptr;
}

}  // namespace

TEST_F(AttachmentExport, PstAndMsgItemsCarryEachFileWholeForEveryReader) {
    ASSERT_EQ(MissingNodeReaders(), "");
    REQUIRE_TOOL("readpst");
    REQUIRE_TOOL("pffexport");
    const std::string pst = Files("pst").at(0);
    const ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), Expected().size());
    const std::string hasPicture = ExtractorKey(mapi::PidLidHasPicture.Key());
    for (const ExtractorItem& item : view.items) {
        const auto& files = Expected().at(item.props.at("3001"));
        EXPECT_EQ(item.attachments, files);
        EXPECT_EQ(item.props.count(hasPicture) ? item.props.at(hasPicture) : "0", PhotoOf(files) ? "1" : "0");
        EXPECT_EQ((std::stoi(item.props.at("0e07")) & mapi::kMsgFlagHasAttach) != 0, !files.empty());
        // Nothing of a file but its name reaches the notes.
        for (const char* inside : {"Read me first", "%PDF", "Plan, version"})
            EXPECT_EQ(item.props.count("1000") ? item.props.at("1000").find(inside) : std::string::npos, std::string::npos);
    }
    for (const PffItem& item : PffExportItems(pst, dir.Path().string())) {
        std::map<std::string, std::string> files;
        for (const ReadAttachment& a : Expected().at(*item.Text(0x3001))) files[a.name] = a.bytes;
        EXPECT_EQ(item.files, files) << *item.Text(0x3001);
    }
    std::string out;
    EXPECT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;

    // olefile finds each file's bytes in its attachment's storage.
    const char* kOleFiles = R"(
import sys, olefile
o = olefile.OleFileIO(sys.argv[1])
n = 0
while o.exists('__attach_version1.0_#%08X' % n):
    print(o.openstream('__attach_version1.0_#%08X/__substg1.0_37010102' % n).read().hex())
    n += 1
)";
    for (const std::string& path : Files("msg")) {
        const ToolResult r = RunMsgReader(path);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        const auto& files = Expected().at(ReaderProps(r.out).at("3001"));
        EXPECT_EQ(AttachmentsIn(r.out), files) << path;
        std::string hex;
        for (const ReadAttachment& a : files) hex += Hex(a.bytes) + "\n";
        EXPECT_EQ(RunPython(kOleFiles, Quote(path)).out, hex) << path;
    }
}

TEST_F(AttachmentExport, TheVCardCarriesThePhotoAloneForVobjectAndAnEvolutionAddressBook) {
    REQUIRE_TOOL("dbus-run-session");
    // The address book lives in a private home and session bus.
    const std::filesystem::path home = dir.Path() / "home";
    std::filesystem::create_directories(home / "run");
    std::filesystem::permissions(home / "run", std::filesystem::perms::owner_all);
    const std::string script = dir.Write("import.py", kEvolutionImport), result = (dir.Path() / "photo.txt").string();
    std::string env = "env HOME=" + Quote(home.string());
    for (const auto& [name, sub] : {std::pair{"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"},
                                    {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "run"}})
        env += std::string(" ") + name + "=" + Quote((home / sub).string());
    const std::vector<std::string> cards = Files("vcf");
    EXPECT_EQ(cards.size(), Expected().size());
    for (const std::string& path : cards) {
        const std::string card = ReadFile(path);
        const size_t fn = card.find("\nFN:") + 4;
        const std::string name = card.substr(fn, card.find('\r', fn) - fn);
        const ReadAttachment* photo = PhotoOf(Expected().at(name));
        const std::string type = !photo ? "" : photo->mimeType == "image/jpeg" ? "JPEG " : "GIF ";
        EXPECT_EQ(RunPython(kVobjectPhoto, Quote(path)).out, (photo ? type + Hex(photo->bytes) : "-") + "\n0\n") << name;
        std::string out;
        ASSERT_EQ(RunTool(env + " dbus-run-session -- " + kPython + " " + Quote(script) + " " + Quote(path) + " " +
                              Quote(result) + " >/dev/null 2>&1",
                          &out),
                  0)
            << out;
        EXPECT_EQ(ReadFile(result), photo ? Hex(photo->bytes) : "-") << name;
    }
}

TEST_F(AttachmentExport, MhtmlCarriesTheFilesAndEveryOtherRenderingListsThemByNameAndSize) {
    REQUIRE_TOOL("pdftotext");
    std::string parts, expected;
    for (const std::string& path : Files("mhtml")) parts += RunPython(kMhtmlParts, Quote(path)).out;
    for (const auto& [name, files] : Expected())
        for (const ReadAttachment& a : files)
            if (!a.contactPhoto) expected += a.name + " " + a.mimeType + " " + Hex(a.bytes) + "\n";
    std::vector<std::string> got = Lines(parts), want = Lines(expected);
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    for (const char* kind : {"html", "txt", "rtf", "doc", "pdf"}) {
        std::string all;
        for (const std::string& path : Files(kind)) {
            std::string text = ReadFile(path);
            if (std::string(kind) == "pdf") RunTool("pdftotext " + Quote(path) + " -", &text);
            all += text;
        }
        for (const char* listed : {"table.bin (256 bytes)", "hana.jpg (134 bytes)", "picture-1.png (70 bytes)", "map.gif (43 bytes)"})
            EXPECT_NE(all.find(listed), std::string::npos) << kind << ": " << listed;
        EXPECT_EQ(all.find("Read me first"), std::string::npos) << kind << ": a file's content in the rendering";
    }
}

TEST_F(AttachmentExport, ADamagedFileIsCountedTheProfileGetsTheFilesAndTheFilterTestsThem) {
    Open(kSample);
    exporting::ExportOptions o = Options(exporting::OutputKind::Txt);
    const exporting::ExportOutcome outcome = Mailbox(o, Folders());
    EXPECT_EQ(outcome.totals.written, 4u);
    EXPECT_EQ(outcome.totals.failed, 0u);
    EXPECT_EQ(outcome.totals.attachmentsLeftOut, 1u);

    // A folder of the profile gets the same items as a new PST.
    EXPECT_EQ(Mailbox(Options(exporting::OutputKind::Profile, "\\\\Personal Folders\\Imported"), Folders()).totals.written, 4u);
    size_t files = 0, expected = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path() / "profile"))
        if (e.path().extension() == ".pst") {
            const auto pst = pst::PstFile::Open(e.path().string(), false);
            for (const auto& folder : pst->Subfolders(pst->IpmSubtree()))
                for (const auto& sub : pst->Subfolders(folder.nid))
                    for (pst::Nid item : pst->Messages(sub.nid)) files += pst->ReadAttachments(item).size();
        }
    for (const auto& [name, list] : Expected()) expected += list.size();
    EXPECT_EQ(files, expected);

    // Only the contact without files fails the attachment test.
    o.filterOn = o.requireAttachments = true;
    o.filterStart = notes::ConvertString2Date("1990-01-01 00:00:00");
    o.filterEnd = notes::ConvertString2Date("2030-01-01 00:00:00");
    Mailbox(o, Folders());
    EXPECT_EQ(sink.Count("Skip as Non Attachment Message"), 1u);
}
