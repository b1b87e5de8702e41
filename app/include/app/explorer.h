// The preview widget: shows a local HTML page file.
#pragma once

#include <QTextBrowser>

namespace app {

class CExplorer1 : public QTextBrowser {
    Q_OBJECT
public:
    explicit CExplorer1(QWidget* parent = nullptr);
    // Shows the page at url (a local file path or file: URL), reading it anew
    // even when it is the page already shown.
    void Navigate(const QString& url);
    // The page shown before any preview.
    void ShowStartPage();

protected:
    // A page read under a dark palette gets the palette's colours after its
    // own, so that it follows the desktop's theme.
    QVariant loadResource(int type, const QUrl& name) override;
};

// The style that gives a preview page the palette's text and backgrounds.
QString PaletteStyle(const QPalette& palette);

}  // namespace app
