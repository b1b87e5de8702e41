// A contact's long value costs memory in proportion to itself, whatever the
// kind of file: each form it passes through (the document's text, the
// contact's, the file's) is let go or written in pieces, not held beside the
// next. Measured as ferrywell-cli's peak memory: the growth from a short
// value to a long one against the growth of the database file.
#include "export_fixture.h"

#include <support/sanitizer_build.h>
#include <support/temp_files.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;

namespace {

// A contact whose rich-text Comment is megabytes of short paragraphs.
std::string LongNoteDatabase(size_t megabytes) {
    const std::string line = "<par>Met at the trade fair; follow up on the offer &amp; the samples.</par>\n";
    std::string comment;
    comment.reserve(megabytes << 20);
    while (comment.size() < megabytes << 20) comment += line;
    return Dxl(View("Contacts", "SELECT Form = \"Person\"", "<column sort='ascending' itemname='FullName'/>") +
               Person(Text("FullName", "Effi Hoffmann") + "<item name='Comment'><richtext>" + comment + "</richtext></item>"));
}

// A contact whose FullName, the column the view is sorted by, is that long.
std::string LongNameDatabase(size_t megabytes) {
    return Dxl(View("Contacts", "SELECT Form = \"Person\"", "<column sort='ascending' itemname='FullName'/>") +
               Person(Text("FullName", std::string(megabytes << 20, 'n'))) + Person(Text("FullName", "Ana Costa")));
}

// The peak memory in KiB of ferrywell-cli run with args, which must end
// with status 0; -1 when it does not.
long CliPeakKiB(std::vector<std::string> args) {
    args.insert(args.begin(), std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

}  // namespace

TEST_F(ExportTest, ALongValueTakesMemoryInProportionToItself) {
    if (kSanitizerBuild) GTEST_SKIP() << "a sanitizer's shadow memory says nothing about the program's own";
    auto write = [&](std::string (*make)(size_t), size_t megabytes, const char* name) {
        const std::string db = dir / (name + std::to_string(megabytes) + ".dxl");
        std::ofstream(db, std::ios::binary) << make(megabytes);
        return db;
    };
    auto check = [&](std::string (*make)(size_t), const char* name, OutputKind kind) {
        SCOPED_TRACE(std::string(ModeString(kind)) + " " + name);
        const std::string small = write(make, 2, name), large = write(make, 24, name);
        long peak[2] = {};
        for (int i = 0; i < 2; ++i) {
            const std::string dest = dir / "out";
            std::filesystem::remove_all(dest);
            std::filesystem::create_directories(dest);
            peak[i] = CliPeakKiB({"export", i ? large : small, "--as", std::string(ModeString(kind)), "--to", dest,
                                  "--folders", "Contacts"});
            ASSERT_GT(peak[i], 0);
        }
        const double inputKiB = double(std::filesystem::file_size(large) - std::filesystem::file_size(small)) / 1024;
        // The value in the document being read and in the contact, or in the
        // contact and in the file, and little more.
        EXPECT_LT(double(peak[1] - peak[0]), 2.5 * inputKiB) << peak[1] - peak[0] << " KiB more for " << inputKiB << " KiB more input";
    };
    for (OutputKind kind : {OutputKind::Pst, OutputKind::Msg, OutputKind::Vcf, OutputKind::Csv, OutputKind::Html,
                            OutputKind::Txt, OutputKind::Rtf, OutputKind::Mhtml})
        check(LongNoteDatabase, "note", kind);
    // Sorted by a value of megabytes: the view is worked out before any file.
    check(LongNameDatabase, "name", OutputKind::Csv);
}
