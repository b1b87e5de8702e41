#include "text_flow.h"

#include <QRegularExpression>
#include <QTextFragment>
#include <QTextList>
#include <QTextOption>

#include <algorithm>

namespace store::pdf {

namespace {

// Characters laid out at once; a line is only cut where the text allows it,
// so a window reaches on to the next space or line break.
constexpr qsizetype kWindow = 4000;
constexpr qsizetype kWindowSlack = 2000;
// The line width of unwrapped text: wider than any page, far below the
// layout's fixed-point limit.
constexpr qreal kUnbounded = 1e6;

// A private-use character, which the HTML parser keeps as it is.
constexpr QChar kLineBreakMark(0xE000);

// The text of a fragment with marked line breaks as line separators; the
// parser folds the white space after a tag into one space, which a line
// break swallows.
QString UnmarkLineBreaks(QString text) {
    if (!text.contains(kLineBreakMark)) return text;
    text.replace(QString(kLineBreakMark) + QLatin1Char(' '), QString(QChar::LineSeparator));
    text.replace(kLineBreakMark, QChar::LineSeparator);
    return text;
}

QString ListMarker(const QTextBlock& block) {
    const QTextList* list = block.textList();
    if (!list) return {};
    const QString numbered = list->itemText(block);
    if (!numbered.isEmpty()) return numbered + QLatin1Char(' ');
    switch (list->format().style()) {
        case QTextListFormat::ListCircle: return QStringLiteral("\u25E6 ");
        case QTextListFormat::ListSquare: return QStringLiteral("\u25AA ");
        default: return QStringLiteral("\u2022 ");
    }
}

QTextOption OptionFor(const QTextBlockFormat& format, bool wrap) {
    QTextOption option(format.alignment());
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTextDirection(format.layoutDirection());
    return option;
}

}  // namespace

QString MarkLineBreaks(QString html) {
    if (html.contains(kLineBreakMark)) return html;
    static const QRegularExpression kBreak(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption);
    html.replace(kBreak, QString(kLineBreakMark));
    return html;
}

QFont Scale::ForPage(QFont font) const {
    // No glyph is taller than a page (720 pt): Qt's font engines fail on
    // sizes far beyond that, which a style can ask for.
    const int largest = qRound(dpi * 10);
    const qreal pixels = font.pointSizeF() > 0 ? font.pointSizeF() * dpi / 72.0 : font.pixelSize();
    if (pixels > 0) font.setPixelSize(std::clamp(qRound(std::min<qreal>(pixels, largest)), 1, largest));
    return font;
}

std::vector<QTextBlock> BlocksOf(QTextFrame::iterator it, QTextFrame::iterator end) {
    std::vector<QTextBlock> blocks;
    for (; it != end; ++it) {
        if (QTextFrame* child = it.currentFrame()) {
            auto inner = BlocksOf(child->begin(), child->end());
            blocks.insert(blocks.end(), inner.begin(), inner.end());
        } else if (it.currentBlock().isValid()) {
            blocks.push_back(it.currentBlock());
        }
    }
    return blocks;
}

TextFlow::TextFlow(std::vector<QTextBlock> blocks, qreal width, const Scale& scale, const std::function<bool()>& stop)
    : blocks_(std::move(blocks)), width_(width), scale_(scale), stop_(stop) {}

bool TextFlow::StartParagraph() {
    if (nextBlock_ >= blocks_.size()) return false;
    const QTextBlock block = blocks_[nextBlock_];
    auto p = std::make_unique<Paragraph>();
    p->format = block.blockFormat();
    p->text = ListMarker(block);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid()) continue;
        // Composed characters are drawn as one glyph each, and read back as
        // such from the PDF; an embedded object has no text to show.
        QString text = UnmarkLineBreaks(fragment.text()).normalized(QString::NormalizationForm_C);
        text.replace(QChar::ObjectReplacementCharacter, QLatin1Char(' '));
        const QTextCharFormat source = fragment.charFormat();
        QTextCharFormat format;
        format.setFont(scale_.ForPage(source.font()));
        format.setForeground(source.foreground());
        // The list marker takes the look of the item's first characters.
        const qsizetype start = p->formats.isEmpty() ? 0 : p->text.size();
        p->text += text;
        p->formats.append({int(start), int(p->text.size() - start), format});
    }
    const qreal top = scale_.FromCssPixels(p->format.topMargin());
    pendingSpace_ = nextBlock_ == 0 ? top : std::max(bottomMargin_, top);
    bottomMargin_ = scale_.FromCssPixels(p->format.bottomMargin());
    firstOfBlock_ = true;
    paragraph_ = std::move(p);
    ++nextBlock_;
    LayOutWindow();
    return true;
}

void TextFlow::LayOutWindow() {
    if (stop_ && stop_()) throw Stopped{};
    Paragraph& p = *paragraph_;
    const QString& text = p.text;
    const qsizetype start = p.done;
    const qreal indent = scale_.FromCssPixels(p.format.leftMargin() + p.format.indent() * 40.0);
    const bool wrap = width_ > 0;
    const qreal lineWidth = wrap ? std::max<qreal>(width_ - indent, 1) : kUnbounded;
    const QFont base = blocks_[nextBlock_ - 1].charFormat().font();
    for (qsizetype window = kWindow;; window *= 2) {
        qsizetype end = std::min(text.size(), start + window);
        if (end < text.size()) {
            const qsizetype limit = std::min(text.size(), end + kWindowSlack);
            while (end < limit && !text[end].isSpace()) ++end;
            if (end < text.size() && text[end].isLowSurrogate()) ++end;
        }
        auto layout = std::make_shared<QTextLayout>(text.mid(start, end - start), scale_.ForPage(base));
        QList<QTextLayout::FormatRange> formats;
        for (const auto& range : p.formats) {
            const qsizetype from = std::max<qsizetype>(range.start, start), to = std::min<qsizetype>(range.start + range.length, end);
            if (from < to) formats.append({int(from - start), int(to - from), range.format});
        }
        layout->setFormats(formats);
        layout->setTextOption(OptionFor(p.format, wrap));
        layout->setCacheEnabled(true);
        layout->beginLayout();
        int count = 0;
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(lineWidth);
            ++count;
        }
        layout->endLayout();
        const bool last = end == text.size();
        // One line longer than the window: a wider window, unless the line
        // is already wider than a measurement needs to know.
        const bool wideEnough = !wrap && count == 1 && layout->lineAt(0).naturalTextWidth() >= measureCap_;
        if (!last && count < 2 && window < text.size() && !wideEnough) continue;
        if (last || count < 2) {
            windowLines_ = count;
            p.done = text.size();
        } else {
            // The window's last line may go on past the window: it starts the next one.
            windowLines_ = count - 1;
            p.done = start + layout->lineAt(count - 1).textStart();
        }
        window_ = std::move(layout);
        nextLine_ = 0;
        indent_ = indent;
        return;
    }
}

bool TextFlow::Next(FlowLine& out) {
    for (;;) {
        if (window_ && nextLine_ < windowLines_) {
            const QTextLine line = window_->lineAt(nextLine_);
            out.layout = window_;
            out.index = nextLine_++;
            out.height = line.height();
            out.x = indent_;
            out.spaceBefore = firstOfBlock_ ? pendingSpace_ : 0;
            firstOfBlock_ = false;
            return true;
        }
        if (paragraph_ && paragraph_->done < paragraph_->text.size()) {
            LayOutWindow();
            continue;
        }
        window_.reset();
        paragraph_.reset();
        if (!StartParagraph()) return false;
    }
}

qreal TextFlow::NaturalWidth(std::vector<QTextBlock> blocks, qreal cap, const Scale& scale,
                             const std::function<bool()>& stop) {
    TextFlow flow(std::move(blocks), 0, scale, stop);
    flow.measureCap_ = cap;
    qreal widest = 0;
    FlowLine line;
    while (widest < cap && flow.Next(line))
        widest = std::max(widest, line.x + line.layout->lineAt(line.index).naturalTextWidth());
    return std::min(widest, cap);
}

}  // namespace store::pdf
