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
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, QColor(250, 250, 252));
    gradient.setColorAt(1, QColor(222, 228, 238));
    painter.fillRect(rect(), gradient);
}

}  // namespace controls
