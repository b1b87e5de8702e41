#include "killed_export.h"

#include <support/killed_child.h>

#include <pst/pst_file.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace exporttest {

namespace {

std::string OnlyPst(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".pst") found.push_back(e.path().string());
    return found.size() == 1 ? found[0] : std::string();
}

// The PST's header, which every commit rewrites (its root, its checksum).
std::string Header(const std::string& pst) {
    std::ifstream in(pst, std::ios::binary);
    std::string header(564, '\0');
    in.read(header.data(), std::streamsize(header.size()));
    header.resize(size_t(in.gcount()));
    return header;
}

}  // namespace

size_t CommittedContacts(const std::string& path) {
    try {
        auto file = pst::PstFile::Open(path, false);
        size_t n = 0;
        std::vector<pst::Nid> todo{file->IpmSubtree()};
        while (!todo.empty()) {
            const pst::Nid f = todo.back();
            todo.pop_back();
            n += file->Messages(f).size();
            for (const auto& sub : file->Subfolders(f)) todo.push_back(sub.nid);
        }
        return n;
    } catch (const std::exception&) {
        return 0;
    }
}

// After count "Export Items: " lines the log is left unread for a second:
// the export, held once the pipe is full, then finds its next commit due
// (it commits about once a second of wall-clock time), and the log is read
// on until that commit is in the file. The export cannot finish meanwhile:
// it waits for its log to be read.
size_t KillOnceCommitted(const std::string& command, const std::string& folder, size_t count) {
    testsupport::PipedCommand run(command);
    size_t items = 0;
    std::string pst;
    std::string stamp;
    while (auto line = run.ReadLine()) {
        if (line->rfind("Export Items: ", 0) != 0 || ++items < count) continue;
        if (pst.empty()) {
            pst = OnlyPst(folder);
            if (pst.empty()) break;
            stamp = Header(pst);
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        std::string now = Header(pst);
        if (now == stamp) continue;
        stamp = std::move(now);
        if (CommittedContacts(pst) >= count) break;
    }
    run.Kill();
    return pst.empty() ? 0 : CommittedContacts(pst);
}

}  // namespace exporttest
