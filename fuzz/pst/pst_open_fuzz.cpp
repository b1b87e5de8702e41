// Feeds arbitrary bytes to the PST reader: it must reject them with PstError
// or read them, never crash or hang. The library is built without its
// checksum checks here, so mutations reach the structures behind them.
#include "pst_fuzz_input.h"

#include <pst/pst_file.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInputFile in(data, size);
    if (!in.Ok()) return 0;
    try {
        auto f = pst::PstFile::Open(in.Path(), false);
        for (const auto& folder : f->Subfolders(f->IpmSubtree()))
            for (auto m : f->Messages(folder.nid)) f->ReadMessage(m);
    } catch (const pst::PstError&) {
    }
    return 0;
}
