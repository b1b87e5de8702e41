// The text a PDF reader gets back from the glyphs we draw.
//
// Qt's PDF writer tells readers which character a glyph stands for by
// looking the glyph up in the font's character map: the first code point of
// the Basic Multilingual Plane that maps to it. That gives CJK ideographs as
// the Kangxi radicals sharing their glyphs, and nothing for characters past
// U+FFFF (emoji). We know what each glyph was drawn for, so we record it and
// give every font of the finished file a character map of our own, appended
// as an incremental update (the PDF's own way of replacing objects).
#pragma once

#include <QByteArray>
#include <QGlyphRun>
#include <QHash>
#include <QRawFont>
#include <QString>
#include <QStringView>

#include <map>
#include <string>
#include <vector>

namespace store::pdf {

class TextLayer {
public:
    // Called for each glyph run just before it is drawn, in drawing order,
    // with the text the run shows.
    void Record(const QGlyphRun& run, QStringView text);

    // Appends the update to the PDF that the recorded runs were drawn into.
    // Returns false when the file does not have the shape Qt writes (the
    // file is then left as it was).
    bool Apply(QByteArray& pdf) const;

private:
    // One embedded font: the writer numbers its glyphs in the order they are
    // first drawn, starting with the empty glyph 0.
    struct Font {
        std::map<quint32, int> cidOfGlyph{{0, 0}};
        std::vector<QString> textOfCid{QString()};
    };
    const std::string& PostScriptName(const QRawFont& font);

    std::map<std::string, Font> fonts_;
    QHash<QRawFont, std::string> names_;
};

// The ToUnicode character map for glyphs numbered 0..n-1 (empty texts are
// left out).
QByteArray ToUnicodeCMap(const std::vector<QString>& textOfCid);

}  // namespace store::pdf
