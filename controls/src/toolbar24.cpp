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
    gradient.setColorAt(0, QColor(250, 250, 252));
    gradient.setColorAt(1, QColor(222, 228, 238));
    painter.fillRect(area, gradient);
}

}  // namespace controls
