// The Notes session a worker or a command opens for itself: started when
// it is made, ended when it goes out of scope, so that
// no early return or exception leaves it running.
#pragma once

#include <notesapi/notesapi.h>

namespace notes {

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False when the session could not be started: nothing can be opened.
    bool Started() const { return started_; }
    LNNotesSession& Api() { return session_; }

private:
    LNNotesSession session_;
    bool started_ = false;
};

}  // namespace notes
