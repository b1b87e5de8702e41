#include "top_level.h"

#include <notesapi/lnstatus.h>
#include <store/error.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

int RunCaptured(const std::function<int()>& command, std::string& err) {
    testing::internal::CaptureStderr();
    const int status = cli::RunTopLevel(command);
    err = testing::internal::GetCapturedStderr();
    return status;
}

TEST(TopLevel, ThrownErrorsArePrintedAndEndWithTheirOwnStatus) {
    struct Case {
        std::function<int()> command;
        int status;
        std::string err;
    } cases[] = {
        {[] { return 3; }, 3, ""},
        {[]() -> int { throw store::StoreError(store::ErrorCode::DiskFull, "Cannot write \"/mnt/x.pst\": No space left on device"); },
         cli::kUnexpected, "ferrywell-cli: Cannot write \"/mnt/x.pst\": No space left on device\n"},
        {[]() -> int { throw notesapi::NotesError(LNERR_DATABASE_CHANGED, "names.dxl changed while it was read."); },
         cli::kUnexpected, "ferrywell-cli: names.dxl changed while it was read.\n"},
        {[]() -> int { throw std::string("odd"); }, cli::kUnexpected, "ferrywell-cli: An unknown error\n"},
    };
    for (const Case& c : cases) {
        std::string err;
        EXPECT_EQ(RunCaptured(c.command, err), c.status);
        EXPECT_EQ(err, c.err);
    }
}

}  // namespace
