#include <notes/session.h>

namespace notes {

Session::Session() {
    try {
        session_.Initialize(300, 0, nullptr, 1, nullptr);
        started_ = true;
    } catch (const notesapi::NotesError&) {
    }
}

Session::~Session() {
    if (started_) session_.Term(0);
}

}  // namespace notes
