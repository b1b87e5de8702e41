#include <app/explorer.h>

#include <controls/theme_colours.h>

#include <QTextDocument>

namespace app {

QString PaletteStyle(const QPalette& p) {
    const QString text = p.color(QPalette::Text).name(), base = p.color(QPalette::Base).name();
    const QString alternate = p.color(QPalette::AlternateBase).name(), line = p.color(QPalette::Mid).name();
    const QString heading = p.color(QPalette::Button).name();
    return "<style type='text/css'>body,td,th{color:" + text + ";background-color:" + base + ";}" +
           ".tabmain{border-color:" + line + ";}" + ".tabmain td{color:" + text + ";border-color:" + line +
           ";background-color:" + base + ";}" + ".tabmain .whiteline{background-color:" + base + ";}" +
           ".tabmain .firstline{background-color:" + heading + ";}" + ".tabmain .secondline{background-color:" +
           alternate + ";}</style>";
}

QVariant CExplorer1::loadResource(int type, const QUrl& name) {
    QVariant resource = QTextBrowser::loadResource(type, name);
    if (type != QTextDocument::HtmlResource || !controls::IsDark(palette())) return resource;
    QString page = resource.typeId() == QMetaType::QByteArray ? QString::fromUtf8(resource.toByteArray()) : resource.toString();
    const qsizetype head = page.indexOf("</head>", 0, Qt::CaseInsensitive);
    page.insert(head < 0 ? 0 : head, PaletteStyle(palette()));
    return page;
}

CExplorer1::CExplorer1(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
}

void CExplorer1::Navigate(const QString& url) {
    const QUrl target = url.startsWith("file:") ? QUrl(url) : QUrl::fromLocalFile(url);
    if (source() == target) {
        reload();  // the file was rewritten: read it again
        return;
    }
    setSource(target, QTextDocument::HtmlResource);
    clearHistory();
}

void CExplorer1::ShowStartPage() {
    const QColor base = palette().color(QPalette::Base);
    const QString text = controls::Legible(QColor(0x66, 0x66, 0x66), base).name();
    const QString title = controls::Legible(QColor(0x18, 0x4c, 0x8c), base).name();
    setHtml(
        "<html><body style='font-family: Verdana, Arial, sans-serif; color:" + text + "'>"
        "<h2 style='color:" + title + "'>Ferrywell</h2>"
        "<p>Convert the contacts of a Lotus Notes address book into Outlook stores and files.</p>"
        "<ol><li>Choose <b>Add File</b> and select the database.</li>"
        "<li>Select a view in the tree on the left to list its contacts.</li>"
        "<li>Click a contact to see all of its fields here.</li>"
        "<li>Tick views or contacts and export them.</li></ol>"
        "</body></html>");
}

}  // namespace app
