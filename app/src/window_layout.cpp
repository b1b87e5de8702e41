#include <app/window_layout.h>

#include <QFrame>
#include <QMainWindow>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace app {

namespace {

// A bar that shows a line while dragged (the panes move on release) and is
// painted in its own colour. Its panes may shrink to nothing, so the bar
// travels across the whole pane area and stops at its edges.
QSplitter* NewBar(Qt::Orientation orientation, const char* id, int thickness, QWidget* parent) {
    auto* bar = new QSplitter(orientation, parent);
    bar->setObjectName(id);
    bar->setOpaqueResize(false);
    bar->setHandleWidth(thickness);
    bar->setChildrenCollapsible(true);
    return bar;
}

void PaintHandle(QSplitter& bar, const QColor& colour) {
    QSplitterHandle* handle = bar.handle(1);
    QPalette palette = handle->palette();
    palette.setColor(QPalette::Window, colour);
    handle->setPalette(palette);
    handle->setAutoFillBackground(true);
}

}  // namespace

PaneLayout LayOutPanes(QMainWindow& window, QWidget* tree, QWidget* list, QWidget* preview) {
    PaneLayout panes;
    panes.centre = new QWidget(&window);
    auto* layout = new QVBoxLayout(panes.centre);
    // The status bar below takes kStatusBarRoom; the panes keep a margin on
    // both sides of that room.
    layout->setContentsMargins(kLayoutMargin, 0, kLayoutMargin, 2 * kLayoutMargin);
    layout->setSpacing(0);

    panes.line = new QFrame(panes.centre);
    panes.line->setObjectName("id1036");
    panes.line->setFrameShape(QFrame::HLine);
    panes.line->setFrameShadow(QFrame::Plain);
    panes.line->setFixedHeight(kSeparatorHeight);
    layout->addWidget(panes.line);

    panes.vertical = NewBar(Qt::Horizontal, "id1013", kVerticalBarWidth, panes.centre);
    panes.horizontal = NewBar(Qt::Vertical, "id1014", kHorizontalBarHeight, panes.vertical);
    panes.vertical->addWidget(tree);
    panes.vertical->addWidget(panes.horizontal);
    panes.horizontal->addWidget(list);
    panes.horizontal->addWidget(preview);
    // Tree and panes share a change of width in proportion to their widths,
    // so a narrow window narrows the tree too instead of crushing the list.
    panes.vertical->setStretchFactor(0, 1);
    panes.vertical->setStretchFactor(1, 1);
    panes.vertical->setSizes({260, 900});
    panes.horizontal->setSizes({330, 330});
    PaintHandle(*panes.vertical, kVerticalBarColour);
    PaintHandle(*panes.horizontal, kHorizontalBarColour);
    layout->addWidget(panes.vertical, 1);

    window.setCentralWidget(panes.centre);
    return panes;
}

void LayOutToolbar(QToolBar& toolbar) {
    toolbar.setContentsMargins(0, kToolbarTop, 0, 0);
    toolbar.setFixedHeight(kToolbarTop + kToolbarHeight);
}

void LayOutStatusBar(QStatusBar& bar) {
    bar.setFixedHeight(kStatusBarRoom);
    // The grip hides itself while the window is maximised or full screen.
    bar.setSizeGripEnabled(true);
}

}  // namespace app
