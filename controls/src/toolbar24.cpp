#include <controls/theme_colours.h>
#include <controls/toolbar24.h>

#include <QLinearGradient>
#include <QPainter>

namespace controls {

CToolBar24::CToolBar24(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(32, 31));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
}

void CToolBar24::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The margins stay in the window's own colour.
    const QRect area = contentsRect();
    QLinearGradient gradient(0, area.top(), 0, area.bottom());
    // The design's light gradient where the palette's labels read on it;
    // else one from the palette's window colour.
    const QColor top(250, 250, 252), bottom(222, 228, 238);
    const QColor window = palette().color(QPalette::Window);
    const bool designed = BackgroundFor(bottom, palette()) == bottom && BackgroundFor(top, palette()) == top;
    gradient.setColorAt(0, designed ? top : window.lighter(115));
    gradient.setColorAt(1, designed ? bottom : window);
    painter.fillRect(area, gradient);
}

}  // namespace controls
