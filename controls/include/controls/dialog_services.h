// The program's message boxes and path choosers. Every window asks through
// these, so that a test can answer instead of a modal box.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace controls {

// The caption of every message box.
inline constexpr char kCaption[] = "Ferrywell";

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Question, Stop };
enum class MsgAnswer { Ok, Yes, No };

struct MessageRequest {
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

class MessageService {
public:
    using Responder = std::function<MsgAnswer(const MessageRequest&)>;
    // Shows the box (caption "Ferrywell"), or asks the responder when one is set.
    static MsgAnswer Show(QWidget* parent, const QString& text, MsgButtons buttons, MsgIcon icon);
    static void SetResponder(Responder responder);
};

enum class ChooserKind { OpenFile, Folder };

struct ChooserRequest {
    ChooserKind kind = ChooserKind::OpenFile;
    QString title;
    QString filter;  // open-file choosers only
    QString folder;  // where it opens: the folder of the last choice, if any
};

class PathChooser {
public:
    // The chosen path; empty when the user cancels. The next chooser opens
    // in its folder.
    using Responder = std::function<QString(const ChooserRequest&)>;
    static QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& filter);
    static QString ChooseFolder(QWidget* parent, const QString& title);
    static void SetResponder(Responder responder);
};

}  // namespace controls
