#include <trellisgate/path_setup.h>
#include <trellisgate/wine_drive.h>

#include <registry/atomic_file.h>
#include <registry/regular_file.h>
#include <registry/win32_error.h>

#include <fcntl.h>

namespace trellisgate {

namespace {

// Byte range of a line's text: its line end (CR LF, LF, or a CR closing the
// file) is outside the range, and every other character inside it.
struct LineRange {
    size_t begin = 0;
    size_t end = 0;
};

// The first line holding `needle` (case-sensitive).
std::optional<LineRange> FindLineWith(std::string_view content, std::string_view needle) {
    size_t begin = 0;
    while (begin < content.size()) {
        const size_t eol = content.find('\n', begin);
        const size_t next = eol == std::string_view::npos ? content.size() : eol;
        size_t end = next;
        if (end > begin && content[end - 1] == '\r') --end;
        const std::string_view text = content.substr(begin, end - begin);
        if (text.size() >= 2 && text.find(needle) != std::string_view::npos) return LineRange{begin, end};
        if (eol == std::string_view::npos) break;
        begin = eol + 1;
    }
    return std::nullopt;
}

// The value part of a "set NAME=value" line: the text after the first "="
// that follows the command, or after the command when there is none.
std::string_view LineValue(std::string_view text, std::string_view command) {
    std::string_view rest = text.substr(text.find(command) + command.size());
    const size_t eq = rest.find('=');
    return eq == std::string_view::npos ? rest : rest.substr(eq + 1);
}

}  // namespace

int AddToAutoexecBat(const Context& ctx, std::string_view name, std::string directory) {
    auto file = FindDosFile(ctx.prefix, "c:\\autoexec.bat");
    if (!file) file = FindDosFile(ctx.prefix, "d:\\autoexec.bat");
    if (!file) {
        ctx.report.Line(kAutoexecNotFoundText);
        return 1;
    }
    // Opened for reading and writing, so that a file we may not change is
    // reported before any work is done.
    std::string content;
    std::string why;
    if (const uint32_t code = registry::ReadRegularFile(*file, O_RDWR, content, why); code != registry::kErrorSuccess) {
        PrintError(ctx.report, "Open Autoexec.bat", code);
        return ExitCodeFor(code);
    }

    bool listMode = false;
    if (!directory.empty() && directory.front() == '%') {
        directory.erase(0, 1);
        listMode = true;
    }
    const std::string command = "set " + std::string(name);
    std::string updated;
    const char* failure = "Updating Autoexec.bat";
    if (const auto line = FindLineWith(content, command)) {
        const std::string text = content.substr(line->begin, line->end - line->begin);
        if (FindPathEntry(LineValue(text, command), directory)) return 0;
        // The directory is appended even to a line without ";": replacing the
        // line would drop the entries it already holds.
        const char last = text.back();
        const std::string replaced = text + (last == ';' || last == '=' ? "" : ";") + directory;
        updated = content.substr(0, line->begin) + replaced + content.substr(line->end);
    } else {
        if (content.empty()) failure = "Writing to Autoexec.bat";
        updated = content;
        // A last line without a line end is closed first so that it stays as it was.
        if (!updated.empty() && updated.back() != '\n') updated += "\r\n";
        updated += command + "=" + (listMode ? "%" + std::string(name) + "%;" : "") + directory + "\r\n";
    }
    // The file is replaced as a whole, so a failed write leaves it as it was.
    if (const uint32_t code = registry::ReplaceFileAtomically(*file, updated, why); code != registry::kErrorSuccess) {
        PrintError(ctx.report, failure, code);
        if (!why.empty()) ctx.report.Line(why);
        return ExitCodeFor(code);
    }
    return 0;
}

}  // namespace trellisgate
