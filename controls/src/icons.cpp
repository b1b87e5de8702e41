#include <controls/icons.h>

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QStyle>

namespace controls {

QIcon TreeImage(int index) {
    QStyle* s = QApplication::style();
    switch (index) {
    case 0: return s->standardIcon(QStyle::SP_ArrowDown);
    case 1: return s->standardIcon(QStyle::SP_ArrowUp);
    case 2: return s->standardIcon(QStyle::SP_FileDialogDetailedView);
    case 3: return s->standardIcon(QStyle::SP_FileDialogListView);
    case 4: return s->standardIcon(QStyle::SP_TrashIcon);
    case 6: return s->standardIcon(QStyle::SP_DirOpenIcon);
    case 7: return s->standardIcon(QStyle::SP_DriveHDIcon);
    case 8: return s->standardIcon(QStyle::SP_FileIcon);
    case 9: return s->standardIcon(QStyle::SP_FileDialogInfoView);
    default: return s->standardIcon(QStyle::SP_DirClosedIcon);
    }
}

QIcon ContactRowImage() { return QApplication::style()->standardIcon(QStyle::SP_FileIcon); }

QIcon GroupRowImage() { return QApplication::style()->standardIcon(QStyle::SP_FileDialogListView); }

QPixmap ProductBanner(int width, int height) {
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    QLinearGradient g(0, 0, width, 0);
    g.setColorAt(0, QColor(24, 76, 140));
    g.setColorAt(1, QColor(60, 140, 200));
    p.fillRect(pixmap.rect(), g);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(qMax(10, height / 2));
    p.setFont(f);
    p.drawText(pixmap.rect().adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft, "Ferrywell");
    return pixmap;
}

QPixmap AppIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // Drawn on a 32-unit square.
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(QColor(24, 76, 140));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(22);
    p.setFont(f);
    p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, "F");
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) icon.addPixmap(AppIconPixmap(size));
    return icon;
}

}  // namespace controls
