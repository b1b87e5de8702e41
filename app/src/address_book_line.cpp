// The export dialogs' line for an address book on a CardDAV server.
#include <app/export_dialog.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace app {

QWidget* ExportDialog::AddressBookLine() {
    bookLine_ = new QWidget(this);
    auto* row = new QHBoxLayout(bookLine_);
    row->setContentsMargins(0, 0, 0, 0);
    bookUrl_ = WithId(new QLineEdit(bookLine_), 1090);
    bookUrl_->setPlaceholderText("https://server/addressbooks/user/contacts/");
    bookUser_ = WithId(new QLineEdit(bookLine_), 1091);
    bookPassword_ = WithId(new QLineEdit(bookLine_), 1092);
    bookPassword_->setEchoMode(QLineEdit::Password);
    bookPassword_->setPlaceholderText("or FERRYWELL_PASSWORD, ~/.netrc");
    const std::pair<const char*, QLineEdit*> fields[] = {
        {"Address Book URL:", bookUrl_}, {"User:", bookUser_}, {"Password:", bookPassword_}};
    for (const auto& [text, field] : fields) {
        auto* label = new QLabel(text, bookLine_);
        label->setBuddy(field);
        field->setAccessibleName(QString(text).chopped(1));
        row->addWidget(label);
        row->addWidget(field, field == bookUrl_ ? 3 : 1);
        if (field != bookPassword_) connect(field, &QLineEdit::textChanged, this, [this] { EnableStartForAddressBook(); });
    }
    bookLine_->hide();
    return bookLine_;
}

void ExportDialog::EnableStartForAddressBook() {
    if (mode_ != exporting::OutputKind::CardDav || IsExporting()) return;
    enterStart_->setEnabled(!bookUrl_->text().trimmed().isEmpty() && !bookUser_->text().trimmed().isEmpty());
}

void ExportDialog::ShowAddressBookLine(exporting::OutputKind kind) {
    const bool book = kind == exporting::OutputKind::CardDav;
    bookLine_->setVisible(book);
    if (!book) return;
    SetDestination({});  // the URL is the destination
    enterBrowse_->setEnabled(false);
    EnableStartForAddressBook();
    bookUrl_->setFocus();
}

}  // namespace app
