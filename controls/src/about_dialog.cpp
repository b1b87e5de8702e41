#include <controls/about_dialog.h>
#include <controls/icons.h>

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace controls {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("id100");
    setWindowTitle("About Ferrywell Ver 2.2");
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(ProductBanner(360, 56));
    layout->addWidget(picture);
    layout->addWidget(new QLabel("Ferrywell Ver 2.2", this));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const AboutLink& link : kAboutLinks) {
        grid->addWidget(new QLabel(link.label, this), row, 0);
        const QUrl url(QString::fromUtf8(link.target));
        QString shown = url.scheme() == "mailto" ? url.path() : url.toString();
        auto* anchor = new QLabel(QString("<a href=\"%1\">%2</a>").arg(url.toString().toHtmlEscaped(), shown.toHtmlEscaped()), this);
        anchor->setObjectName(QString("id%1").arg(link.id));
        anchor->setTextFormat(Qt::RichText);
        anchor->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(anchor, &QLabel::linkActivated, this, [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });
        grid->addWidget(anchor, row++, 1);
    }
    layout->addLayout(grid);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("id1");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace controls
