// Writes to arbitrary bytes opened as a PST file, as a save does: a new
// folder and a contact, committed, then everything read back. Every step
// must succeed or throw PstError, and never touch memory outside its own.
// The library is built without its checksum checks here.
#include "pst_fuzz_input.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

namespace {
void ReadEverything(const pst::PstFile& f) {
    for (const auto& folder : f.Subfolders(f.IpmSubtree()))
        for (auto m : f.Messages(folder.nid)) f.ReadMessage(m);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInputFile in(data, size);
    if (!in.Ok()) return 0;
    try {
        auto f = pst::PstFile::Open(in.Path(), true);
        auto folder = f->CreateFolder(f->IpmSubtree(), "Fuzzed", "IPF.Contact");
        mapi::PropertyBag contact;
        contact.Set(mapi::PropertyKey::Tag(mapi::tag::MessageClass, mapi::PropType::Unicode), std::string("IPM.Contact"));
        contact.Set(mapi::PropertyKey::Tag(mapi::tag::DisplayName, mapi::PropType::Unicode), std::string("Ada Lovelace"));
        f->AddMessage(folder, contact);
        f->Commit();
        f->Close();
        ReadEverything(*pst::PstFile::Open(in.Path(), false));
    } catch (const pst::PstError&) {
    }
    return 0;
}
