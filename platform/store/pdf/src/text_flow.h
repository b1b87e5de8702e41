// The text of a frame or table cell as a stream of laid-out lines.
//
// A paragraph is laid out a window of a few thousand characters at a time,
// and only the lines of the current window are kept, so that time and memory
// stay in proportion to the text however long one paragraph or one table
// cell is (a body of 100,000 lines is one paragraph of 100,000 line breaks).
#pragma once

#include <QFont>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextFrame>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <vector>

namespace store::pdf {

// Qt's HTML parser keeps a node of several hundred bytes for every tag, so a
// value of 100,000 lines given as <br> tags costs a hundred times its text.
// The line breaks are handed to it as a character of their own instead,
// which the flow turns back into line breaks. Text that holds that
// character itself is left as it is.
QString MarkLineBreaks(QString html);

// Thrown out of the layout when the caller's stop predicate says so.
struct Stopped {};

// Sizes in the units of the page (device pixels at the writer's resolution).
struct Scale {
    qreal dpi = 72;
    // CSS pixels (margins and indents in the document) to page units.
    qreal FromCssPixels(qreal px) const { return px * dpi / 96.0; }
    // A font with its point sizes turned into pixel sizes at the page's
    // resolution, so that its metrics do not depend on a paint device.
    QFont ForPage(QFont font) const;
};

// One line ready to be drawn: its layout stays alive as long as the line.
struct FlowLine {
    std::shared_ptr<QTextLayout> layout;
    int index = 0;
    qreal spaceBefore = 0;  // block margin above the first line of a block
    qreal height = 0;
    qreal x = 0;            // indent from the flow's left edge
};

// The blocks of a frame in document order; a frame inside it (a nested table)
// is flattened into its blocks.
std::vector<QTextBlock> BlocksOf(QTextFrame::iterator begin, QTextFrame::iterator end);

class TextFlow {
public:
    // width: the flow's width in page units; width <= 0 lays lines out
    // without wrapping (to measure the widest line).
    TextFlow(std::vector<QTextBlock> blocks, qreal width, const Scale& scale, const std::function<bool()>& stop);

    // The next line, or false at the end.
    bool Next(FlowLine& line);

    // The width of the widest line when nothing is wrapped, or cap when that
    // is less (a line wider than the page is not laid out whole).
    static qreal NaturalWidth(std::vector<QTextBlock> blocks, qreal cap, const Scale& scale,
                              const std::function<bool()>& stop);

private:
    struct Paragraph {
        QString text;
        QList<QTextLayout::FormatRange> formats;
        QTextBlockFormat format;
        QString marker;  // a list item's number or bullet
        qsizetype done = 0;  // characters already laid out and handed on
    };
    bool StartParagraph();
    void LayOutWindow();

    std::vector<QTextBlock> blocks_;
    size_t nextBlock_ = 0;
    qreal width_;
    Scale scale_;
    const std::function<bool()>& stop_;
    std::unique_ptr<Paragraph> paragraph_;
    std::shared_ptr<QTextLayout> window_;
    int windowLines_ = 0;  // lines of the window that may be handed on
    int nextLine_ = 0;
    qreal pendingSpace_ = 0;
    qreal bottomMargin_ = 0;
    qreal indent_ = 0;
    qreal measureCap_ = 1e300;
    bool firstOfBlock_ = false;
};

}  // namespace store::pdf
