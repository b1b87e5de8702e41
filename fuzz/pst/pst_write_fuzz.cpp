// Writes to arbitrary bytes opened as a PST file, as a save does: a new
// folder and a contact, committed, then everything read back; and as a
// resumed export does: the folders checked, each folder's identities read and
// its first readable item replaced. Every step must succeed or throw
// PstError, and never touch memory outside its own. The library is built
// without its checksum checks here.
#include "pst_fuzz_input.h"

#include <mapi/contact.h>
#include <mapi/source_identity.h>
#include <pst/pst_file.h>

#include <optional>

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
        contact.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
        contact.Set(mapi::PidTagDisplayName.Key(), std::string("Ada Lovelace"));
        f->AddMessage(folder, contact);
        f->Commit();
        f->Close();
        ReadEverything(*pst::PstFile::Open(in.Path(), false));
    } catch (const pst::PstError&) {
    }
    try {
        auto f = pst::PstFile::Open(in.Path(), true);
        f->CheckFolders();
        mapi::PropertyBag contact;
        mapi::SetSourceIdentity(contact, {"replica:852571E80054A1B2", "431A199A6FCC9C0985256A54005041A1", {1}, 1});
        for (const auto& folder : f->Subfolders(f->IpmSubtree())) {
            // The store changes after the visit, never during it.
            std::optional<pst::Nid> first;
            f->ReadEachMessage(folder.nid, mapi::SourceIdentityKeys(), [&](pst::Nid nid, const mapi::PropertyBag* props) {
                // A damaged item is read past its checksums and replaced too.
                if (props || f->ReadDamagedMessage(nid, mapi::SourceIdentityKeys())) first = nid;
                return !first;
            });
            if (first) f->ReplaceMessage(*first, contact);
        }
        f->Close();
        ReadEverything(*pst::PstFile::Open(in.Path(), false));
    } catch (const pst::PstError&) {
    }
    return 0;
}
