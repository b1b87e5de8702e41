#include "text_layer.h"

#include <QRawFont>

#include <cstdio>
#include <optional>

namespace store::pdf {

namespace {

quint16 BigEndian16(const QByteArray& data, qsizetype at) {
    return quint16((uchar(data[at]) << 8) | uchar(data[at + 1]));
}

// The PostScript name (name id 6) from a font's 'name' table, which is what
// Qt's writer calls the font in the PDF.
std::string NameTableEntry(const QByteArray& table) {
    if (table.size() < 6) return {};
    const int count = BigEndian16(table, 2);
    const qsizetype strings = BigEndian16(table, 4);
    std::string mac;
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + qsizetype(i) * 12;
        if (record + 12 > table.size()) break;
        const int platform = BigEndian16(table, record), nameId = BigEndian16(table, record + 6);
        const qsizetype length = BigEndian16(table, record + 8), offset = strings + BigEndian16(table, record + 10);
        if (nameId != 6 || offset + length > table.size()) continue;
        if (platform == 3 || platform == 0) {
            std::string name;
            for (qsizetype k = 0; k + 1 < length; k += 2) name += char(BigEndian16(table, offset + k) & 0x7F);
            return name;
        }
        if (platform == 1 && mac.empty()) mac.assign(table.constData() + offset, size_t(length));
    }
    return mac;
}

void AppendHex16(QByteArray& out, unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", value & 0xFFFF);
    out += buf;
}

// The integer after `key` in the text, as in "/Size 32".
std::optional<long long> NumberAfter(const QByteArray& text, const QByteArray& key, qsizetype from = 0) {
    const qsizetype at = text.indexOf(key, from);
    if (at < 0) return std::nullopt;
    qsizetype i = at + key.size();
    while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\r')) ++i;
    qsizetype end = i;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end == i) return std::nullopt;
    return text.mid(i, end - i).toLongLong();
}

// "N 0 R" after `key` in the text.
QByteArray ReferenceAfter(const QByteArray& text, const QByteArray& key) {
    const qsizetype at = text.indexOf(key);
    if (at < 0) return {};
    const qsizetype end = text.indexOf('R', at + key.size());
    return end < 0 ? QByteArray() : text.mid(at + key.size(), end + 1 - at - key.size()).trimmed();
}

}  // namespace

const std::string& TextLayer::PostScriptName(const QRawFont& font) {
    // By the font itself (one per face and size): a fall-back font may have
    // no family name to go by.
    auto it = names_.find(font);
    if (it == names_.end()) it = names_.insert(font, NameTableEntry(font.fontTable("name")));
    return *it;
}

void TextLayer::Record(const QGlyphRun& run, QStringView text) {
    const QRawFont raw = run.rawFont();
    const std::string& name = PostScriptName(raw);
    // A font without a name is not one the writer embeds by name.
    if (name.empty()) return;
    Font& font = fonts_[name];
    bool unknown = false;
    for (const quint32 glyph : run.glyphIndexes()) {
        const auto [it, added] = font.cidOfGlyph.try_emplace(glyph, int(font.textOfCid.size()));
        if (added) font.textOfCid.emplace_back();
        unknown = unknown || (glyph != 0 && font.textOfCid[size_t(it->second)].isEmpty());
    }
    if (!unknown) return;
    // Which character of the text each new glyph was drawn for: the font's
    // own map gives one glyph per character (no ligatures are formed).
    const QString string = text.toString();
    const QList<quint32> glyphs = raw.glyphIndexesForString(string);
    qsizetype i = 0;
    for (qsizetype at = 0; at < string.size() && i < glyphs.size(); ++i) {
        const qsizetype units = string[at].isHighSurrogate() && at + 1 < string.size() && string[at + 1].isLowSurrogate() ? 2 : 1;
        const QString c = string.mid(at, units);
        at += units;
        const auto it = font.cidOfGlyph.find(glyphs[i]);
        if (it == font.cidOfGlyph.end() || glyphs[i] == 0) continue;
        QString& known = font.textOfCid[size_t(it->second)];
        if (known.isEmpty()) known = c;
    }
}

QByteArray ToUnicodeCMap(const std::vector<QString>& textOfCid) {
    QByteArray entries;
    int inBlock = 0;
    QByteArray out =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    auto flush = [&] {
        if (inBlock == 0) return;
        out += QByteArray::number(inBlock) + " beginbfchar\n" + entries + "endbfchar\n";
        entries.clear();
        inBlock = 0;
    };
    for (size_t cid = 1; cid < textOfCid.size(); ++cid) {
        if (textOfCid[cid].isEmpty()) continue;
        entries += '<';
        AppendHex16(entries, unsigned(cid));
        entries += "> <";
        for (const QChar unit : textOfCid[cid]) AppendHex16(entries, unit.unicode());
        entries += ">\n";
        if (++inBlock == 100) flush();
    }
    flush();
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

bool TextLayer::Apply(QByteArray& pdf) const {
    // The object number of each font's character map, by the font's name.
    std::map<long long, const Font*> replace;
    for (qsizetype at = pdf.indexOf("/Subtype /Type0"); at >= 0; at = pdf.indexOf("/Subtype /Type0", at + 1)) {
        const qsizetype end = pdf.indexOf(">>", at);
        if (end < 0) return false;
        const QByteArray dict = pdf.mid(at, end - at);
        const qsizetype nameAt = dict.indexOf("/BaseFont /");
        const auto object = NumberAfter(dict, "/ToUnicode");
        if (nameAt < 0 || !object) continue;
        qsizetype nameEnd = nameAt + 11;
        while (nameEnd < dict.size() && !QChar(dict[nameEnd]).isSpace() && dict[nameEnd] != '/') ++nameEnd;
        const auto font = fonts_.find(dict.mid(nameAt + 11, nameEnd - nameAt - 11).toStdString());
        if (font != fonts_.end()) replace[*object] = &font->second;
    }
    if (replace.empty()) return true;

    const qsizetype trailerAt = pdf.lastIndexOf("trailer");
    if (trailerAt < 0) return false;
    const QByteArray trailer = pdf.mid(trailerAt);
    const auto size = NumberAfter(trailer, "/Size");
    const auto previous = NumberAfter(trailer, "startxref");
    const QByteArray root = ReferenceAfter(trailer, "/Root"), info = ReferenceAfter(trailer, "/Info");
    if (!size || !previous || root.isEmpty()) return false;

    QByteArray update = "\n";
    std::map<long long, qsizetype> offsets;
    for (const auto& [object, font] : replace) {
        const QByteArray cmap = ToUnicodeCMap(font->textOfCid);
        offsets[object] = pdf.size() + update.size();
        update += QByteArray::number(object) + " 0 obj\n<< /Length " + QByteArray::number(cmap.size()) +
                  " >>\nstream\n" + cmap + "\nendstream\nendobj\n";
    }
    const qsizetype xref = pdf.size() + update.size();
    update += "xref\n";
    for (const auto& [object, offset] : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010lld 00000 n\r\n", static_cast<long long>(offset));
        update += QByteArray::number(object) + " 1\n" + entry;
    }
    update += "trailer\n<< /Size " + QByteArray::number(*size) + " /Root " + root +
              (info.isEmpty() ? QByteArray() : " /Info " + info) + " /Prev " + QByteArray::number(*previous) +
              " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    pdf += update;
    return true;
}

}  // namespace store::pdf
