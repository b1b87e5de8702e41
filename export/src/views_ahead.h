// The entries of a run's views worked out ahead, on a thread of its own and
// in the order the run writes them, so that each view's are ready when its
// turn comes: the thread uses what the run leaves of the processors while
// the destination opens and the views before are written.
#pragma once

#include "run_context.h"

#include <atomic>
#include <thread>

namespace exporting {

class ViewsAhead {
public:
    explicit ViewsAhead(const RunContext& run);
    // Stops before the next view and waits for the one in hand.
    ~ViewsAhead();
    ViewsAhead(const ViewsAhead&) = delete;
    ViewsAhead& operator=(const ViewsAhead&) = delete;

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace exporting
