#include <store/pdf.h>

#include "gui_application.h"
#include "page_layout.h"
#include "text_layer.h"

#include <base/atomic_file.h>

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QTextDocument>

namespace store {

namespace {

QString DecodeHtmlBytes(const QByteArray& bytes) {
    auto starts = [&bytes](std::initializer_list<unsigned char> bom) {
        if (size_t(bytes.size()) < bom.size()) return false;
        size_t i = 0;
        for (unsigned char b : bom)
            if (static_cast<unsigned char>(bytes[qsizetype(i++)]) != b) return false;
        return true;
    };
    auto utf16 = [&bytes](bool bigEndian) {
        std::u16string text;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
            auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
            text.push_back(char16_t((hi << 8) | lo));
        }
        return QString::fromStdU16String(text);
    };
    if (starts({0xEF, 0xBB, 0xBF})) return QString::fromUtf8(bytes.mid(3));
    if (starts({0xFF, 0xFE})) return utf16(false);
    if (starts({0xFE, 0xFF})) return utf16(true);
    return QString::fromUtf8(bytes);
}

// Families in the order they are tried for each character: FreeSans covers
// Latin, Greek and Cyrillic with PostScript outlines, which are quick to
// embed; Noto Sans CJK takes what FreeSans lacks (embedding it costs far
// more); Symbola has outline emoji, which a PDF can carry as text.
QFont PageFont() {
    QFont font(QStringLiteral("FreeSans"), 10);
    font.setFamilies({QStringLiteral("FreeSans"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Symbola")});
    font.setHintingPreference(QFont::PreferNoHinting);  // outlines are scaled in the PDF anyway
    // No ligatures: each glyph stands for one character, so that a reader
    // searching or copying the text gets the characters back.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

// The PDF is built in memory, so that a file is written only once it is
// complete.
PdfOutcome RenderToBytes(QString html, QByteArray& bytes, const StopRequested& stop) {
    if (!pdf::EnsureGuiApplication()) return PdfOutcome::Failed;
    pdf::TextLayer layer;
    try {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Ferrywell"));
        // Ten device units to the point: every whole point size is a whole pixel size.
        constexpr int kDpi = 720;
        writer.setResolution(kDpi);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(36, 36, 36, 36),
                                         QPageLayout::Point));
        if (stop && stop()) throw pdf::Stopped{};
        // Parsed only: the document's own layout is never made, since it
        // keeps every line of the document at once and draws a long
        // paragraph's every line again for each page it spans.
        QTextDocument doc;
        doc.setDefaultFont(pdf::Scale{kDpi}.ForPage(PageFont()));
        doc.setHtml(pdf::MarkLineBreaks(std::move(html)));
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));
        QPainter painter(&writer);
        pdf::DrawDocument(doc, writer, painter, layer, stop);
        painter.end();
    } catch (const pdf::Stopped&) {
        return PdfOutcome::Stopped;
    }
    return layer.Apply(bytes) ? PdfOutcome::Written : PdfOutcome::Failed;
}

// Written beside the target and renamed over it: an old file is replaced
// only by a complete new one.
PdfOutcome RenderToFile(QString html, const std::string& pdfPath, const StopRequested& stop) {
    QByteArray bytes;
    const PdfOutcome outcome = RenderToBytes(std::move(html), bytes, stop);
    if (outcome != PdfOutcome::Written) return outcome;
    try {
        base::WriteFileAtomically(pdfPath, std::string_view(bytes.constData(), size_t(bytes.size())));
    } catch (const base::IoError&) {
        return PdfOutcome::Failed;
    }
    return PdfOutcome::Written;
}

QString FromUtf8(const std::string& html) { return QString::fromUtf8(html.data(), qsizetype(html.size())); }

}  // namespace

PdfOutcome RenderHtmlToPdfBytes(const std::string& html, std::string* pdf, const StopRequested& stop) {
    try {
        QByteArray bytes;
        const PdfOutcome outcome = RenderToBytes(FromUtf8(html), bytes, stop);
        if (outcome == PdfOutcome::Written) pdf->assign(bytes.constData(), size_t(bytes.size()));
        return outcome;
    } catch (...) {
        return PdfOutcome::Failed;
    }
}

PdfOutcome RenderHtmlToPdf(const std::string& html, const std::string& pdfPath, const StopRequested& stop) {
    try {
        return RenderToFile(FromUtf8(html), pdfPath, stop);
    } catch (...) {
        return PdfOutcome::Failed;
    }
}

bool ConvertHTMLToPDF(const std::string& html, const std::string& pdfPath) {
    return RenderHtmlToPdf(html, pdfPath, {}) == PdfOutcome::Written;
}

void ConvertHtml2Pdf(const std::string& htmlPath, const std::string& pdfPath) {
    try {
        QFile in(QString::fromStdString(htmlPath));
        if (!in.exists() || !in.open(QIODevice::ReadOnly)) return;
        RenderToFile(DecodeHtmlBytes(in.readAll()), pdfPath, {});
    } catch (...) {
    }
}

}  // namespace store
