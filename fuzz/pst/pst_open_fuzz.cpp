// Feeds arbitrary bytes to the PST reader: it must reject them with PstError
// or read them, never crash or hang.
#include <pst/pst_file.h>

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int fd = memfd_create("pst", 0);
    if (fd < 0) return 0;
    if (size > 0 && write(fd, data, size) != ssize_t(size)) {
        close(fd);
        return 0;
    }
    try {
        auto f = pst::PstFile::Open("/proc/self/fd/" + std::to_string(fd), false);
        for (const auto& folder : f->Subfolders(f->IpmSubtree()))
            for (auto m : f->Messages(folder.nid)) f->ReadMessage(m);
    } catch (const pst::PstError&) {
    }
    close(fd);
    return 0;
}
