#include <mapi/contact.h>
#include <mapi/source_identity.h>
#include <msg/msg_file.h>

#include <msg_reader.h>

#include <gtest/gtest.h>

#include <set>

using namespace msg;
using testsupport::Quote;

namespace {

// Every contact field with a value that exercises Latin, Greek, Cyrillic, CJK
// and characters outside the Basic Multilingual Plane.
mapi::PropertyBag FullContact() {
    mapi::PropertyBag bag;
    bag.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    int n = 0;
    for (const auto& f : mapi::ContactFields()) {
        switch (f.key.type) {
            case mapi::PropType::Unicode:
                bag.Set(f.key, std::string(f.name) + " Zo\xC3\xAB \xCE\xB1\xCE\xB2 \xD0\x96\xD0\xB8 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80 #" +
                                   std::to_string(n++));
                break;
            case mapi::PropType::SysTime: bag.Set(f.key, mapi::FileTimeFromOleDate(30000.5 + n++)); break;
            case mapi::PropType::Int32: bag.Set(f.key, int32_t(1)); break;
            case mapi::PropType::MultipleUnicode:
                bag.Set(f.key, mapi::Strings{std::string(f.name) + " \xE6\x9D\xB1", "", "a, b; c", "\xF0\x9F\x98\x80"});
                break;
            default: break;
        }
    }
    bag.Set(mapi::InfoOf(mapi::ContactField::Body).key, std::string(5000, 'b') + "\r\nend \xE2\x82\xAC");  // a value beyond the mini stream
    bag.Set(mapi::InfoOf(mapi::ContactField::To).key, std::string());
    bag.Set(mapi::PropertyKey::Tag(0x0E1B, mapi::PropType::Boolean), true);
    bag.Set(mapi::PropertyKey::Tag(0x0FFF, mapi::PropType::Binary), mapi::Binary{0, 1, 2, 0xFF});
    bag.Set(mapi::PropertyKey::Tag(0x0E08, mapi::PropType::Int64), int64_t(1) << 40);
    return bag;
}

// Prints every property of the top-level property stream as read through
// olefile: "TTTTTTTT value", where texts are decoded from UTF-16LE and named
// properties are resolved to "GUID:LID".
const char* kOlefileProps = R"(
import struct, sys, uuid, olefile
ole = olefile.OleFileIO(sys.argv[1])
props = ole.openstream('__properties_version1.0').read()
guids = ole.openstream(['__nameid_version1.0', '__substg1.0_00020102']).read()
entries = ole.openstream(['__nameid_version1.0', '__substg1.0_00030102']).read()
strings = ole.openstream(['__nameid_version1.0', '__substg1.0_00040102']).read()
known = {1: '00020328-0000-0000-C000-000000000046', 2: '00020329-0000-0000-C000-000000000046'}
names = {}
for i in range(0, len(entries), 8):
    key, ik = struct.unpack('<II', entries[i:i+8])
    gi = (ik & 0xFFFF) >> 1
    g = known.get(gi) or str(uuid.UUID(bytes_le=guids[(gi - 3) * 16:(gi - 2) * 16])).upper()
    if ik & 1:
        size = struct.unpack('<I', strings[key:key+4])[0]
        names[0x8000 + (ik >> 16)] = '%s:%s' % (g, strings[key+4:key+4+size].decode('utf-16-le'))
    else:
        names[0x8000 + (ik >> 16)] = '%s:%04X' % (g, key)
out = []
for i in range(32, len(props), 16):
    tag, flags = struct.unpack('<II', props[i:i+8])
    pid, ptype = tag >> 16, tag & 0xFFFF
    key = names.get(pid, '%04X' % pid) + '/%04X' % ptype
    if ptype == 0x001F:
        size = struct.unpack('<I', props[i+8:i+12])[0]
        data = ole.openstream('__substg1.0_%08X' % tag).read()
        assert size == len(data) + 2, key
        value = data.decode('utf-16-le')
    elif ptype == 0x101F:
        size = struct.unpack('<I', props[i+8:i+12])[0]
        lengths = ole.openstream('__substg1.0_%08X' % tag).read()
        assert size == len(lengths), key
        values = []
        for n in range(len(lengths) // 4):
            data = ole.openstream('__substg1.0_%08X-%08X' % (tag, n)).read()
            assert struct.unpack('<I', lengths[4*n:4*n+4])[0] == len(data) and data.endswith(b'\0\0'), key
            values.append(data[:-2].decode('utf-16-le'))
        value = '|'.join(values)
    elif ptype == 0x0003:
        value = str(struct.unpack('<i', props[i+8:i+12])[0])
    elif ptype == 0x0040:
        value = str(struct.unpack('<q', props[i+8:i+16])[0])
    else:
        continue
    out.append(key + ' ' + value.encode('unicode_escape').decode('ascii'))
print('\n'.join(sorted(out)))
)";

std::string Escaped(const std::string& utf8) {
    // Same escaping as Python's unicode_escape for the characters used here.
    std::u16string w = mapi::Utf8ToUtf16(utf8);
    std::string out;
    char buf[16];
    for (size_t i = 0; i < w.size(); ++i) {
        uint32_t c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size()) c = 0x10000 + ((c - 0xD800) << 10) + (w[++i] - 0xDC00);
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x80) out += char(c);
        else if (c < 0x100) { std::snprintf(buf, sizeof buf, "\\x%02x", c); out += buf; }
        else if (c < 0x10000) { std::snprintf(buf, sizeof buf, "\\u%04x", c); out += buf; }
        else { std::snprintf(buf, sizeof buf, "\\U%08x", c); out += buf; }
    }
    return out;
}

std::string GuidText(const mapi::Guid& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", g[3], g[2], g[1], g[0],
                  g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return buf;
}

std::string ExpectedListing(const mapi::PropertyBag& bag) {
    std::vector<std::string> lines;
    char buf[64];
    for (const auto& [key, value] : bag.All()) {
        std::string name;
        if (key.IsNamed() && key.Name().IsString()) {
            name = GuidText(key.Name().propertySet) + ":" + key.Name().name;
        } else if (key.IsNamed()) {
            std::snprintf(buf, sizeof buf, ":%04X", unsigned(key.Name().lid));
            name = GuidText(key.Name().propertySet) + buf;
        } else {
            std::snprintf(buf, sizeof buf, "%04X", unsigned(key.TagId()));
            name = buf;
        }
        std::snprintf(buf, sizeof buf, "/%04X ", unsigned(key.type));
        name += buf;
        if (auto* s = std::get_if<std::string>(&value)) lines.push_back(name + Escaped(*s));
        else if (auto* i = std::get_if<int32_t>(&value)) lines.push_back(name + std::to_string(*i));
        else if (auto* t = std::get_if<mapi::FileTime>(&value)) lines.push_back(name + std::to_string(t->ticks));
        else if (auto* list = std::get_if<mapi::Strings>(&value)) {
            std::string joined;
            for (size_t i = 0; i < list->size(); ++i) joined += (i ? "|" : "") + (*list)[i];
            lines.push_back(name + Escaped(joined));
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
    return out + "\n";
}

}  // namespace

TEST(MsgFile, EveryPropertyReadsBackThroughOurReaderAndOlefile) {
    testsupport::TempDir dir;
    mapi::PropertyBag bag = FullContact();
    std::string path = dir / "contact.msg";
    WriteMsgFile(path, bag);

    mapi::PropertyBag back = ReadMsgFile(path);
    mapi::PropertyBag expected = bag;
    expected.Set(mapi::PidTagStoreSupportMask.Key(), kStoreUnicodeOk);
    EXPECT_EQ(back.All(), expected.All());

    auto r = testsupport::RunPython(kOlefileProps, Quote(path));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, ExpectedListing(expected));
}

TEST(MsgFile, MsgconvertAndOlecfinfoOpenOurFiles) {
    REQUIRE_TOOL("msgconvert");
    REQUIRE_TOOL("olecfinfo");
    testsupport::TempDir dir;
    mapi::PropertyBag bag = FullContact();
    bag.Set(mapi::PidTagSubject.Key(), std::string("Acme \xD0\x96"));
    std::string path = dir / "contact.msg";
    WriteMsgFile(path, bag);

    auto info = testsupport::Run("olecfinfo " + Quote(path));
    EXPECT_EQ(info.exitCode, 0) << info.out;
    EXPECT_NE(info.out.find("Sector size"), std::string::npos) << info.out;

    auto conv = testsupport::Run("cd " + Quote(dir.Path().string()) + " && msgconvert contact.msg");
    ASSERT_EQ(conv.exitCode, 0) << conv.out;
    std::string eml = testsupport::ReadFile(dir.Path() / "contact.eml");
    EXPECT_NE(eml.find("Subject: "), std::string::npos) << eml;
    EXPECT_NE(eml.find("bbbbbbbb"), std::string::npos) << "body missing from the converted mail";
}

TEST(MsgFile, DamagedOrForeignFilesAreRejected) {
    Storage noProps;
    noProps.streams["other"] = "x";
    Storage shortProps;
    shortProps.streams["__properties_version1.0"] = "short";
    // A multi-valued binary whose length stream names a value no stream holds.
    Storage missingValue;
    std::string props(32, '\0');
    props += std::string("\x02\x11\x01\x3A\x06\0\0\0\x08\0\0\0\0\0\0\0", 16);
    missingValue.streams["__properties_version1.0"] = props;
    missingValue.streams["__substg1.0_3A011102"] = std::string("\x03\0\0\0\0\0\0\0", 8);
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"text file", "hello"},
        {"multi-valued property without its value stream", WriteCompoundFile(missingValue)},
        {"compound file without a property stream", WriteCompoundFile(noProps)},
        {"property stream shorter than its header", WriteCompoundFile(shortProps)},
    };
    for (const auto& c : cases) EXPECT_THROW(DecodeMessage(c.bytes), FormatError) << c.what;
}

TEST(MsgFile, DamagedNamesAndListsReadAsMuchAsIsThere) {
    // A message whose name map points past its string stream and claims a
    // name longer than the stream, and whose list lacks its later values.
    auto put32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
    };
    Storage names;
    std::string entries, strings;
    put32(entries, 0);  // string name at offset 0, index 0
    put32(entries, 0u << 16 | 2u << 1 | 1u);
    put32(entries, 100);  // string name at offset 100, index 1
    put32(entries, 1u << 16 | 2u << 1 | 1u);
    put32(entries, 0x8083);  // a LID in an unknown GUID slot, index 2
    put32(entries, 2u << 16 | 9u << 1);
    put32(strings, 1000);
    strings += "K\0e\0y\0";
    names.streams["__substg1.0_00020102"] = "";
    names.streams["__substg1.0_00030102"] = entries;
    names.streams["__substg1.0_00040102"] = strings;
    Storage root;
    root.storages["__nameid_version1.0"] = names;
    std::string props(32, '\0'), lengths;
    for (uint32_t tag : {0x8000001Fu, 0x8001001Fu, 0x8002001Fu, 0x3A58101Fu}) {
        std::string entry(16, '\0');
        for (int i = 0; i < 4; ++i) entry[i] = char(tag >> (8 * i));
        props += entry;
    }
    for (int i = 0; i < 3; ++i) put32(lengths, 4);
    root.streams["__properties_version1.0"] = props;
    root.streams["__substg1.0_3A58101F"] = lengths;
    root.streams["__substg1.0_3A58101F-00000000"] = std::string("A\0\0\0", 4);
    root.streams["__substg1.0_3A58101F-00000002"] = std::string("C\0\0\0", 4);
    mapi::PropertyBag bag = DecodeMessage(WriteCompoundFile(root));
    EXPECT_EQ(bag.All().size(), 1u);  // the three named properties have no readable name
    EXPECT_EQ(bag.GetStrings(mapi::PidTagChildrensNames.Key()), (mapi::Strings{"A"}));  // values after a gap are not guessed at
}

TEST(MsgFile, ValueOfTheWrongTypeIsRefused) {
    mapi::PropertyBag bag;
    bag.Set(mapi::PropertyKey::Tag(0x3A06, mapi::PropType::Unicode), int32_t(5));
    EXPECT_THROW(EncodeMessage(bag), std::invalid_argument);
}

TEST(MsgFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    testsupport::TempDir dir;
    EXPECT_THROW(WriteMsgFile(dir / "missing-folder/x.msg", FullContact()), IoError);
    EXPECT_THROW(ReadMsgFile(dir / "absent.msg"), IoError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(MsgFile, MsgreaderReadsEveryTextNumberAndList) {
    testsupport::TempDir dir;
    mapi::PropertyBag bag = FullContact();
    std::string path = dir / "contact.msg";
    WriteMsgFile(path, bag);
    auto r = testsupport::RunMsgReader(path);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    auto props = testsupport::ReaderProps(r.out);
    size_t checked = 0;
    auto lists = testsupport::ReaderLists(r.out);
    for (const auto& [key, value] : bag.All()) {
        char name[16];
        std::snprintf(name, sizeof name, key.IsNamed() ? "lid:%04x" : "%04x", key.IsNamed() ? key.Name().lid : key.TagId());
        const std::string readerKey = key.IsNamed() && key.Name().IsString() ? "name:" + key.Name().name : name;
        if (auto* list = std::get_if<mapi::Strings>(&value)) {
            EXPECT_EQ(lists[readerKey], *list) << readerKey;
            ++checked;
            continue;
        }
        std::string want;
        if (auto* s = std::get_if<std::string>(&value)) want = *s;
        else if (auto* i = std::get_if<int32_t>(&value)) want = std::to_string(*i);
        else continue;
        EXPECT_EQ(props[name], want) << name;
        ++checked;
    }
    EXPECT_GT(checked, 40u);
}

TEST(MsgFile, ReadingChosenPropertiesGivesThoseAndNothingElse) {
    testsupport::TempDir dir;
    mapi::PropertyBag bag = FullContact();
    const mapi::SourceIdentity id{"replica:852571E80054A1B2", "431A199A6FCC9C0985256A54005041A1",
                                  mapi::FileTime{126350158297800000}, 7};
    mapi::SetSourceIdentity(bag, id);
    std::string path = dir / "contact.msg";
    WriteMsgFile(path, bag);

    std::vector<mapi::PropertyKey> keys = mapi::SourceIdentityKeys();
    keys.push_back(mapi::PidTagSubject.Key());
    keys.push_back(mapi::PidLidEmail1EmailAddress.Key());
    keys.push_back(mapi::PropertyKey::Tag(mapi::PidTagSubject.id, mapi::PropType::Int32));  // stored as text
    keys.push_back(mapi::PropertyKey::Named(mapi::kPsetidFerrywellSource, 0x0099, mapi::PropType::Unicode));  // absent
    const mapi::PropertyBag chosen = ReadMsgProperties(path, keys);
    EXPECT_EQ(mapi::GetSourceIdentity(chosen), id);
    EXPECT_EQ(chosen.All().size(), 6u);
    const mapi::PropertyBag all = ReadMsgFile(path);
    for (const auto& [key, value] : chosen.All()) EXPECT_EQ(*all.Find(key), value);

    // Another reader finds the identity under our property set.
    auto r = testsupport::RunPython(kOlefileProps, Quote(path));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("93125657-D478-4F2F-9F49-C70DB331710B:0002/001F 431A199A6FCC9C0985256A54005041A1"),
              std::string::npos) << r.out;

    EXPECT_THROW(ReadMsgProperties(dir / "absent.msg", keys), IoError);
    EXPECT_THROW(ReadMsgProperties(dir.Write("text.msg", "not a message"), keys), FormatError);
}
