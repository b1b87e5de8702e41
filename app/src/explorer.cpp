#include <app/explorer.h>

namespace app {

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
    setHtml(
        "<html><body style='font-family: Verdana, Arial, sans-serif; color:#666666'>"
        "<h2 style='color:#184c8c'>Ferrywell</h2>"
        "<p>Convert the contacts of a Lotus Notes address book into Outlook stores and files.</p>"
        "<ol><li>Choose <b>Add File</b> and select the database.</li>"
        "<li>Select a view in the tree on the left to list its contacts.</li>"
        "<li>Click a contact to see all of its fields here.</li>"
        "<li>Tick views or contacts and export them.</li></ol>"
        "</body></html>");
}

}  // namespace app
