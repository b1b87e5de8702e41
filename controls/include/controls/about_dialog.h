// The about box: product name and version, and four links.
#pragma once

#include <QDialog>
#include <QUrl>

namespace controls {

struct AboutLink {
    int id;
    const char* label;
    const char* target;
};

inline constexpr AboutLink kAboutLinks[] = {
    {1050, "Product Info: ", "https://ferrywell.example/"},
    {1051, "Contact Support: ", "mailto:support@ferrywell.example?subject=Ferrywell%20Ver%202.2%20Support"},
    {1052, "Support Ticket: ", "https://support.ferrywell.example/tickets"},
    {1053, "Support Chat: ", "https://support.ferrywell.example/chat"},
};

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace controls
