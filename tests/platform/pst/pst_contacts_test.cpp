// Contacts written to a PST must read back intact with our reader and with
// the outside readers (pffexport, readpst, lspst, pst-extractor), Unicode
// included.
#include "outside_readers.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

using namespace testsupport;

namespace {

struct Sample {
    const char* label;
    std::string text;
};

const std::vector<Sample>& Samples() {
    static const std::vector<Sample> samples{
        {"cyrillic", "Жанна Дмитриевна Ёлкина"},
        {"greek", "Ελένη Παπαδοπούλου"},
        {"cjk", "山田 太郎 김민준 王小明"},
        {"accents", "Zoë Øster-Brønnum Ça va? ñ ü ß"},
        {"long", std::string(6000, 'x') + " Длинный текст"},  // value larger than one block
    };
    return samples;
}

// The value each contact field gets for one sample.
mapi::PropertyValue ValueFor(const mapi::ContactFieldInfo& info, const Sample& s, int i) {
    switch (info.key.type) {
    case mapi::PropType::SysTime: return mapi::FileTimeFromOleDate(20000.0 + i * 365 + int(info.field));
    case mapi::PropType::Int32: return int32_t(mapi::kMsgFlagRead);
    case mapi::PropType::MultipleUnicode: return mapi::Strings{std::string(info.name) + ": " + s.text, "", "2: " + s.text};
    default: return std::string(info.name) + ": " + s.text;
    }
}

uint32_t PffId(const mapi::PropertyKey& key) { return key.IsNamed() ? key.Name().lid : key.TagId(); }

// pffexport dumps a multi-valued text as it is stored: a count, each value's
// offset, then the UTF-16LE values.
mapi::Strings PffStrings(const std::vector<uint8_t>& b) {
    auto get32 = [&b](size_t at) { return at + 4 <= b.size() ? uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24) : 0u; };
    mapi::Strings out;
    const uint32_t count = get32(0);
    for (uint32_t i = 0; i < count && 4 + 4 * size_t(i) < b.size(); ++i) {
        size_t begin = get32(4 + 4 * i), end = i + 1 < count ? get32(8 + 4 * i) : b.size();
        std::u16string w;
        for (size_t k = begin; k + 1 < end && k + 1 < b.size(); k += 2) w.push_back(char16_t(b[k] | b[k + 1] << 8));
        out.push_back(mapi::Utf16ToUtf8(w));
    }
    return out;
}

class PstContacts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
        ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
        ASSERT_TRUE(HaveTool("lspst")) << "lspst (pst-utils) is required";
        path = dir / "contacts.pst";
        auto f = pst::PstFile::Create(path, "Adressbuch Ω");
        contacts = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        sub = f->CreateFolder(contacts, "Коллеги 同僚", "IPF.Contact");
        for (size_t i = 0; i < Samples().size(); ++i) {
            mapi::PropertyBag bag;
            bag.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
            for (const auto& info : mapi::ContactFields()) bag.Set(info.key, ValueFor(info, Samples()[i], int(i)));
            bags.push_back(bag);
            f->AddMessage(i % 2 ? sub : contacts, bag);
        }
        f->Close();
    }
    TempDir dir;
    std::string path;
    pst::Nid contacts = 0, sub = 0;
    std::vector<mapi::PropertyBag> bags;
};

TEST_F(PstContacts, OwnReaderReturnsEveryProperty) {
    auto f = pst::PstFile::Open(path, false);
    EXPECT_EQ(f->DisplayName(), "Adressbuch Ω");
    auto folders = f->Subfolders(f->IpmSubtree());
    ASSERT_EQ(folders.size(), 2u);  // Deleted Items, Contacts
    EXPECT_EQ(folders[1].name, "Contacts");
    EXPECT_EQ(folders[1].contentCount, 3);
    EXPECT_EQ(f->Subfolders(contacts).at(0).name, "Коллеги 同僚");
    std::vector<pst::Nid> all = f->Messages(contacts);
    for (auto n : f->Messages(sub)) all.push_back(n);
    ASSERT_EQ(all.size(), Samples().size());
    for (size_t i = 0; i < all.size(); ++i) {
        mapi::PropertyBag got = f->ReadMessage(all[i]);
        // Items are listed per folder: even samples first, then odd ones.
        size_t sample = i < 3 ? i * 2 : (i - 3) * 2 + 1;
        for (const auto& info : mapi::ContactFields()) {
            const auto* v = got.Find(info.key);
            ASSERT_NE(v, nullptr) << info.name;
            EXPECT_TRUE(*v == *bags[sample].Find(info.key)) << info.name << " of " << Samples()[sample].label;
        }
    }
}

TEST_F(PstContacts, PffexportSeesTreeAndEveryProperty) {
    auto items = PffExportItems(path, dir.Path().string());
    ASSERT_EQ(items.size(), Samples().size());
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "pff.export/Top of Personal Folders/Contacts/Коллеги 同僚"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "pff.export/Top of Personal Folders/Deleted Items"));
    size_t matched = 0;
    for (size_t s = 0; s < Samples().size(); ++s) {
        for (const auto& item : items) {
            auto first = item.Text(PffId(mapi::InfoOf(mapi::ContactField::FirstName).key));
            if (!first || *first != "FirstName: " + Samples()[s].text) continue;
            ++matched;
            EXPECT_EQ(item.Text(mapi::PidTagMessageClass.id).value_or(""), "IPM.Contact");
            for (const auto& info : mapi::ContactFields()) {
                SCOPED_TRACE(std::string(info.name) + " of " + Samples()[s].label);
                uint32_t id = PffId(info.key);
                if (info.key.IsNamed() && info.key.Name().IsString()) {
                    auto named = item.named.find(info.key.Name().name);
                    ASSERT_NE(named, item.named.end());
                    EXPECT_EQ(PffStrings(named->second), std::get<mapi::Strings>(*bags[s].Find(info.key)));
                    continue;
                }
                auto it = item.values.find(id);
                ASSERT_NE(it, item.values.end());
                const auto& want = *bags[s].Find(info.key);
                if (info.key.type == mapi::PropType::Unicode) {
                    EXPECT_EQ(item.Text(id).value_or(""), std::get<std::string>(want));
                } else if (info.key.type == mapi::PropType::MultipleUnicode) {
                    EXPECT_EQ(PffStrings(it->second), std::get<mapi::Strings>(want));
                } else if (info.key.type == mapi::PropType::SysTime) {
                    ASSERT_EQ(it->second.size(), 8u);
                    int64_t ticks = 0;
                    for (int k = 7; k >= 0; --k) ticks = ticks << 8 | it->second[size_t(k)];
                    EXPECT_EQ(ticks, std::get<mapi::FileTime>(want).ticks);
                } else {
                    ASSERT_GE(it->second.size(), 1u);
                    EXPECT_EQ(it->second[0], uint8_t(std::get<int32_t>(want)));
                }
            }
        }
    }
    EXPECT_EQ(matched, Samples().size());
}

std::string ExtractorKey(const mapi::PropertyKey& key) {
    if (key.IsNamed() && key.Name().IsString()) return "name:" + key.Name().name;
    char buf[16];
    std::snprintf(buf, sizeof buf, key.IsNamed() ? "lid:%04x" : "%04x", key.IsNamed() ? key.Name().lid : key.TagId());
    return buf;
}

std::string ExtractorText(const mapi::PropertyValue& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    if (auto* t = std::get_if<mapi::FileTime>(&v)) return std::to_string(t->ticks);
    return std::to_string(std::get<int32_t>(v));
}

TEST_F(PstContacts, PstExtractorSeesTreeAndEveryProperty) {
    ASSERT_EQ(MissingNodeReaders(), "");
    ExtractorView view = ReadWithPstExtractor(path);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    EXPECT_EQ(view.store, "Adressbuch Ω");
    EXPECT_EQ(view.folders["\\Top of Personal Folders\\Contacts"], 3);
    EXPECT_EQ(view.folders["\\Top of Personal Folders\\Contacts\\Коллеги 同僚"], 2);
    EXPECT_EQ(view.folders.count("\\Top of Personal Folders\\Deleted Items"), 1u);
    ASSERT_EQ(view.items.size(), Samples().size());
    // The reader never reads the last entry of the name map's entry stream;
    // the map ends with one no item uses, so every named property maps.
    for (size_t i = 0; i < view.items.size(); ++i) {
        const auto& props = view.items[i].props;
        size_t sample = i < 3 ? i * 2 : (i - 3) * 2 + 1;
        EXPECT_EQ(view.items[i].folder, i < 3 ? "\\Top of Personal Folders\\Contacts" : "\\Top of Personal Folders\\Contacts\\Коллеги 同僚");
        for (const auto& info : mapi::ContactFields()) {
            SCOPED_TRACE(std::string(info.name) + " of " + Samples()[sample].label);
            const auto& want = *bags[sample].Find(info.key);
            if (auto* list = std::get_if<mapi::Strings>(&want)) {
                auto it = view.items[i].lists.find(ExtractorKey(info.key));
                ASSERT_NE(it, view.items[i].lists.end());
                EXPECT_EQ(it->second, *list);
                continue;
            }
            auto it = props.find(ExtractorKey(info.key));
            ASSERT_NE(it, props.end());
            EXPECT_EQ(it->second, ExtractorText(want));
        }
    }
}

TEST_F(PstContacts, ReadpstAndLspstSeeFoldersAndNames) {
    std::string out;
    ASSERT_EQ(RunTool("lspst " + Quote(path), &out), 0) << out;
    EXPECT_NE(out.find("Folder \"Contacts\""), std::string::npos) << out;
    std::string target = dir / "readpst";
    std::filesystem::create_directories(target);
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(target) + " " + Quote(path), &out), 0) << out;
    std::string cards = ReadFile(target + "/Adressbuch Ω/Contacts/contacts") +
                        ReadFile(target + "/Adressbuch Ω/Contacts/Коллеги 同僚/contacts");
    for (const auto& s : Samples()) {
        EXPECT_NE(cards.find("Email1Address: " + s.text), std::string::npos) << s.label;
        EXPECT_NE(cards.find("LastName: " + s.text), std::string::npos) << s.label;
    }
}

}  // namespace
