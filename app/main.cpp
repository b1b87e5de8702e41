// ferrywell: the desktop program.
#include <app/ferrywell_app.h>

#include <base/file_size_limit.h>

#include <cmdline/standard_options.h>

#include <iostream>

int main(int argc, char** argv) {
    base::FailWritesPastFileSizeLimit();
    // Answered before Qt starts, so that they work without a display.
    if (auto status = cmdline::AnswerStandardOptions(app::kProgramOptions, argc, argv, std::cout, std::cerr))
        return *status;
    app::CFerrywellApp application(argc, argv);
    return application.InitInstance();
}
