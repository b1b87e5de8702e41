#include <controls/screen_fit.h>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWidget>

namespace controls {

namespace {
// What a window manager's frame and title bar take around a window.
constexpr QSize kFrame{16, 48};

// Asks for the whole of its content, which the bare scroll area bounds.
class ColumnArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const QSize content = widget() ? widget()->sizeHint() : QSize();
        const int bar = verticalScrollBar()->sizeHint().width();
        return content + QSize(2 * frameWidth() + bar, 2 * frameWidth());
    }
};
}  // namespace

QWidget* ScrollingColumn(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* area = new ColumnArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    auto* content = new QWidget(area);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets) column->addWidget(w);
    area->setWidget(content);
    return area;
}

QSize ScreenRoom(const QWidget& widget) {
    QScreen* screen = widget.parentWidget() ? widget.parentWidget()->screen() : widget.screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {1 << 16, 1 << 16};
    return (screen->availableGeometry().size() - kFrame).expandedTo({1, 1});
}

void FitToScreen(QWidget& window, QSize wanted) {
    const QSize room = ScreenRoom(window);
    window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window.resize(wanted.expandedTo(window.minimumSizeHint()).boundedTo(room));
}

}  // namespace controls
