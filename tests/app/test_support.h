// Answers the program's message boxes and path choosers from a script, and
// records what was asked.
#pragma once

#include <controls/dialog_services.h>

#include <QAction>
#include <QCoreApplication>
#include <QStringList>
#include <QWidget>

#include <deque>

struct ScriptedDialogs {
    ScriptedDialogs() {
        controls::MessageService::SetResponder([this](const controls::MessageRequest& r) {
            messages.append(r.text);
            icons.push_back(r.icon);
            if (r.buttons == controls::MsgButtons::Ok) return controls::MsgAnswer::Ok;
            if (answers.empty()) return controls::MsgAnswer::No;
            auto a = answers.front();
            answers.pop_front();
            return a;
        });
        controls::PathChooser::SetResponder([this](const controls::ChooserRequest& r) {
            chooserTitles.append(r.title);
            chooserFilters.append(r.filter);
            chooserFolders.append(r.folder);
            if (paths.empty()) return QString();
            QString p = paths.front();
            paths.pop_front();
            return p;
        });
    }
    ~ScriptedDialogs() {
        controls::MessageService::SetResponder(nullptr);
        controls::PathChooser::SetResponder(nullptr);
    }
    QStringList messages;
    std::vector<controls::MsgIcon> icons;
    std::deque<controls::MsgAnswer> answers;  // for Yes/No questions
    std::deque<QString> paths;                // for choosers; empty: cancelled
    QStringList chooserTitles, chooserFilters, chooserFolders;
};

// The control of a dialog with the given ID ("id1006").
template <typename W = QWidget>
W* Child(QWidget& parent, int id) {
    return parent.findChild<W*>(QString("id%1").arg(id));
}

// Triggers a command of the main window and runs it with any dialog it
// opens (the window queues its commands; what the test queued before, such as
// a timer that answers the dialog, runs after).
inline void Trigger(QAction* action) {
    action->trigger();
    for (QObject* o = action; o; o = o->parent()) {
        if (o->inherits("QMainWindow")) {
            QCoreApplication::sendPostedEvents(o, QEvent::MetaCall);
            return;
        }
    }
}
