#include <controls/theme_colours.h>
#include <controls/wait_dialog.h>

#include <QLabel>
#include <QVBoxLayout>

namespace controls {

NSFWaitMSG::NSFWaitMSG(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("id154");
    setModal(false);
    // A notice only: the keyboard stays where the user works.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(kWaitText, this);
    label->setObjectName("id1046");
    layout->addWidget(label);
    setStyleSheet("QDialog { border: 1px solid #7a8aa0; background: " +
                  BackgroundFor(QColor(0xf5, 0xf5, 0xf5), palette()).name() + "; }");
    layout->setContentsMargins(24, 18, 24, 18);
}

void NSFWaitMSG::ShowCentred() {
    adjustSize();
    if (QWidget* p = parentWidget()) {
        const QPoint centre = p->mapToGlobal(p->rect().center());
        move(centre - rect().center());
    }
    show();
}

}  // namespace controls
