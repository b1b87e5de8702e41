#include <notes/session.h>

namespace notes {

Session::Session() {
    started_ = session_.Initialize(300, 0, nullptr, 1, nullptr) == LNNOERROR;
    if (started_) LNSetThrowAllErrorsGlobal(1);
}

Session::~Session() {
    if (started_) session_.Term(0);
}

}  // namespace notes
