#include <store/pdf.h>

#include "gui_application.h"

#include <base/atomic_file.h>

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QAbstractTextDocumentLayout>
#include <QPdfWriter>
#include <QString>
#include <QTextDocument>

#include <mutex>

namespace store {

namespace {

std::mutex& ConversionMutex() {
    static std::mutex m;
    return m;
}

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

bool RenderToPdf(const QString& html, const std::string& pdfPath) {
    std::lock_guard lock(ConversionMutex());
    if (!pdf::EnsureGuiApplication()) return false;

    // The PDF is built in memory and then written beside the target and
    // renamed over it, so an old file is replaced only by a complete new one.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setCreator(QStringLiteral("Ferrywell"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(36, 36, 36, 36),
                                         QPageLayout::Point));
        QTextDocument doc;
        // Measure text at the PDF's resolution and break it into pages of the
        // printable area; the layout keeps each line whole on one page.
        doc.documentLayout()->setPaintDevice(&writer);
        QFont font(QStringLiteral("FreeSans"), 10);
        font.setHintingPreference(QFont::PreferNoHinting);  // outlines are scaled in the PDF anyway
        // FreeSans covers Latin, Greek and Cyrillic with PostScript outlines,
        // which FreeType reads without running TrueType hinting code (a third
        // of the time of a PDF with DejaVu Sans); Noto Sans CJK is taken only
        // for what FreeSans lacks, since embedding it costs far more.
        font.setFamilies({QStringLiteral("FreeSans"), QStringLiteral("Noto Sans CJK SC")});
        doc.setDefaultFont(font);
        doc.setHtml(html);
        const QSizeF page(writer.width(), writer.height());
        doc.setPageSize(page);
        writer.setTitle(doc.metaInformation(QTextDocument::DocumentTitle));

        QPainter painter(&writer);
        for (int i = 0, pages = doc.pageCount(); i < pages; ++i) {
            if (i > 0) writer.newPage();
            painter.save();
            painter.translate(0, -i * page.height());
            doc.drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
            painter.restore();
        }
    }
    try {
        base::WriteFileAtomically(pdfPath, std::string_view(bytes.constData(), size_t(bytes.size())));
    } catch (const base::IoError&) {
        return false;
    }
    return true;
}

}  // namespace

bool ConvertHTMLToPDF(const std::string& html, const std::string& pdfPath) {
    try {
        return RenderToPdf(QString::fromUtf8(html.data(), qsizetype(html.size())), pdfPath);
    } catch (...) {
        return false;
    }
}

void ConvertHtml2Pdf(const std::string& htmlPath, const std::string& pdfPath) {
    try {
        QFile in(QString::fromStdString(htmlPath));
        if (!in.exists() || !in.open(QIODevice::ReadOnly)) return;
        RenderToPdf(DecodeHtmlBytes(in.readAll()), pdfPath);
    } catch (...) {
    }
}

}  // namespace store
