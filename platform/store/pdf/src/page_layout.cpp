#include "page_layout.h"

#include <QTextTable>

#include <algorithm>
#include <numeric>

namespace store::pdf {

namespace {

// One column of a row being placed: its flow and where it has got to.
struct Column {
    std::unique_ptr<TextFlow> flow;
    qreal x = 0;
    qreal y = 0;
    bool pending = false;  // `line` did not fit on the last page
    FlowLine line;
    bool done = false;
    int lastPage = 0;
};

class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter, TextLayer& layer, const Scale& scale)
        : writer_(writer), painter_(painter), layer_(layer), scale_(scale), height_(writer.height()) {}

    qreal Width() const { return writer_.width(); }
    const Scale& scale() const { return scale_; }

    // Lays out and draws the columns side by side from the current position;
    // on return the position is below the tallest of them.
    void PlaceRow(std::vector<Column>& columns) {
        for (auto& c : columns) {
            c.y = y_;
            c.lastPage = page_;
        }
        for (;;) {
            bool more = false;
            for (auto& c : columns) {
                if (c.done) continue;
                while (c.pending || c.flow->Next(c.line)) {
                    const qreal top = c.y + c.line.spaceBefore;
                    // A line goes to the next page unless it starts the page.
                    if (top + c.line.height > height_ && c.y > 0) {
                        c.pending = true;
                        more = true;
                        break;
                    }
                    c.pending = false;
                    Draw(c.line, c.x, top);
                    c.y = top + c.line.height;
                }
                if (!c.pending) {
                    c.done = true;
                    c.lastPage = page_;
                }
            }
            if (!more) break;
            writer_.newPage();
            ++page_;
            for (auto& c : columns) {
                if (!c.done) {
                    c.y = 0;
                    c.line.spaceBefore = 0;
                }
            }
        }
        qreal bottom = 0;
        for (const auto& c : columns)
            if (c.lastPage == page_) bottom = std::max(bottom, c.y);
        y_ = bottom;
    }

    void Skip(qreal space) { y_ = std::min(height_, y_ + space); }

private:
    void Draw(const FlowLine& line, qreal x, qreal top) {
        const QTextLine l = line.layout->lineAt(line.index);
        const QPointF origin(x + line.x, top - l.y());
        const int from = l.textStart(), to = l.textStart() + l.textLength();
        const QString& text = line.layout->text();
        for (const auto& range : line.layout->formats()) {
            const int start = std::max(from, range.start), end = std::min(to, range.start + range.length);
            if (start >= end) continue;
            const QBrush brush = range.format.foreground();
            painter_.setPen(brush.style() == Qt::NoBrush ? QColor(Qt::black) : brush.color());
            for (const QGlyphRun& run : l.glyphRuns(start, end - start)) {
                // Characters no font has can come as a run without a font, and
                // characters that draw nothing as a run without glyphs, which
                // Qt cannot underline.
                if (!run.rawFont().isValid() || run.glyphIndexes().isEmpty() || run.positions().isEmpty()) continue;
                layer_.Record(run, QStringView(text).mid(start, end - start));
                painter_.drawGlyphRun(origin, run);
            }
        }
    }

    QPdfWriter& writer_;
    QPainter& painter_;
    TextLayer& layer_;
    Scale scale_;
    qreal height_;
    qreal y_ = 0;
    int page_ = 0;
};

// Widths of the columns: each gets what its widest line needs where the page
// allows; otherwise the narrow ones keep theirs and the rest share the
// remaining width equally.
std::vector<qreal> ColumnWidths(const std::vector<qreal>& natural, qreal available) {
    std::vector<size_t> order(natural.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return natural[a] < natural[b]; });
    std::vector<qreal> widths(natural.size());
    qreal left = available;
    for (size_t i = 0; i < order.size(); ++i) {
        const qreal share = left / qreal(order.size() - i);
        widths[order[i]] = std::min(natural[order[i]], share);
        left -= widths[order[i]];
    }
    return widths;
}

void PlaceTable(Pages& pages, QTextTable& table, const std::function<bool()>& stop) {
    const Scale& scale = pages.scale();
    const QTextTableFormat format = table.format();
    const qreal spacing = scale.FromCssPixels(format.cellSpacing());
    const int rows = table.rows(), columns = table.columns();
    if (rows == 0 || columns == 0) return;
    auto padding = [&](const QTextTableCell& cell, bool left) {
        const QTextTableCellFormat f = cell.format().toTableCellFormat();
        const qreal own = left ? f.leftPadding() : f.rightPadding();
        return scale.FromCssPixels(own > 0 ? own : format.cellPadding());
    };
    auto blocks = [](const QTextTableCell& cell) { return BlocksOf(cell.begin(), cell.end()); };

    // A cell spanning columns counts towards its first column only.
    std::vector<qreal> natural(size_t(columns), 0);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            if (cell.row() != r || cell.column() != c || cell.columnSpan() > 1) continue;
            const qreal width =
                TextFlow::NaturalWidth(blocks(cell), pages.Width(), scale, stop) + padding(cell, true) + padding(cell, false);
            natural[size_t(c)] = std::max(natural[size_t(c)], width);
        }
    }
    const std::vector<qreal> widths = ColumnWidths(natural, pages.Width() - spacing * (columns + 1));
    std::vector<qreal> lefts(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) lefts[size_t(c)] = (c == 0 ? spacing : lefts[size_t(c - 1)] + widths[size_t(c - 1)] + spacing);

    pages.Skip(scale.FromCssPixels(format.topMargin()) + spacing);
    for (int r = 0; r < rows; ++r) {
        std::vector<Column> row;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            // A cell spanning rows is drawn with its first row.
            if (cell.row() != r || cell.column() != c) continue;
            qreal width = -spacing;
            for (int k = c; k < c + cell.columnSpan() && k < columns; ++k) width += widths[size_t(k)] + spacing;
            Column column;
            column.x = lefts[size_t(c)] + padding(cell, true);
            column.flow = std::make_unique<TextFlow>(blocks(cell), std::max<qreal>(1, width - padding(cell, true) - padding(cell, false)),
                                                     scale, stop);
            row.push_back(std::move(column));
        }
        pages.PlaceRow(row);
        pages.Skip(spacing);
    }
    pages.Skip(scale.FromCssPixels(format.bottomMargin()));
}

}  // namespace

void DrawDocument(const QTextDocument& doc, QPdfWriter& writer, QPainter& painter, TextLayer& layer,
                  const std::function<bool()>& stop) {
    Pages pages(writer, painter, layer, Scale{qreal(writer.resolution())});
    QTextFrame* root = doc.rootFrame();
    // Runs of blocks between tables flow as one column over the page's width.
    auto it = root->begin();
    while (!it.atEnd()) {
        auto runEnd = it;
        while (!runEnd.atEnd() && !qobject_cast<QTextTable*>(runEnd.currentFrame())) ++runEnd;
        if (runEnd != it) {
            std::vector<Column> column(1);
            column[0].flow = std::make_unique<TextFlow>(BlocksOf(it, runEnd), pages.Width(), pages.scale(), stop);
            pages.PlaceRow(column);
        }
        if (runEnd.atEnd()) break;
        PlaceTable(pages, *qobject_cast<QTextTable*>(runEnd.currentFrame()), stop);
        it = runEnd;
        ++it;
    }
}

}  // namespace store::pdf
