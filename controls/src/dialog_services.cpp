#include <controls/dialog_services.h>
#include <controls/remembered.h>

#include <QFileDialog>
#include <QMessageBox>

namespace controls {

namespace {

MessageService::Responder& MessageResponder() {
    static MessageService::Responder responder;
    return responder;
}

PathChooser::Responder& ChooserResponder() {
    static PathChooser::Responder responder;
    return responder;
}

}  // namespace

MsgAnswer MessageService::Show(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon) {
    if (MessageResponder()) return MessageResponder()({text, buttons, icon});
    QMessageBox box(parent);
    box.setWindowTitle(kCaption);
    box.setText(text);
    box.setIcon(icon == MsgIcon::Question ? QMessageBox::Question
                : icon == MsgIcon::Stop   ? QMessageBox::Critical
                                          : QMessageBox::NoIcon);
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

void MessageService::SetResponder(Responder responder) { MessageResponder() = std::move(responder); }

namespace {

QString Ask(QWidget* parent, const ChooserRequest& request) {
    if (ChooserResponder()) return ChooserResponder()(request);
    if (request.kind == ChooserKind::Folder) return QFileDialog::getExistingDirectory(parent, request.title, request.folder);
    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::ReadOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString AskAndRemember(QWidget* parent, const ChooserRequest& request) {
    const QString chosen = Ask(parent, request);
    RememberFolderOf(chosen);
    return chosen;
}

}  // namespace

QString PathChooser::ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter) {
    return AskAndRemember(parent, {ChooserKind::OpenFile, title, filter, RememberedFolder()});
}

QString PathChooser::ChooseFolder(QWidget* parent, const QString& title) {
    return AskAndRemember(parent, {ChooserKind::Folder, title, {}, RememberedFolder()});
}

void PathChooser::SetResponder(Responder responder) { ChooserResponder() = std::move(responder); }

}  // namespace controls
