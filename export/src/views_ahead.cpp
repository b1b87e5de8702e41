#include "views_ahead.h"

#include "view_reader.h"

#include <string>
#include <system_error>
#include <vector>

namespace exporting {

ViewsAhead::ViewsAhead(const RunContext& run) {
    std::vector<uint32_t> views;
    for (const notes::FolderRecord& record : run.request.folders) views.push_back(record.viewIndex);
    if (views.empty()) return;
    try {
        thread_ = std::thread([this, &run, views, database = run.request.database] {
            YieldToTheWriter();
            for (uint32_t view : views) {
                if (done_ || run.StopRequested()) return;
                // A view that cannot be opened says so when its turn comes.
                ViewReader reader;
                std::string why;
                reader.Open(database, view, &why);
            }
        });
    } catch (const std::system_error&) {
        // Without a thread each view's entries are worked out in its turn.
    }
}

ViewsAhead::~ViewsAhead() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
}

}  // namespace exporting
