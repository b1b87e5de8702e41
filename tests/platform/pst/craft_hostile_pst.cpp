// Writes the hostile stores of pst_crafting.h, and a store with a
// distribution list, into a folder: the fuzz seeds of fuzz/pst/seeds come
// from here.
#include "pst_crafting.h"

#include "allocation_map.h"

#include <mapi/distribution_list.h>
#include <pst/pst_file.h>

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: craft_hostile_pst FOLDER\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    auto at = [&](const char* name) {
        std::filesystem::remove(dir / name);
        return (dir / name).string();
    };
    const std::string plain = at("plain.pst");
    pstcraft::WritePlainStore(plain);
    const uint64_t eof = pstcraft::RawPst(plain).Eof();
    pstcraft::WriteSelfListingDataTree(at("self-listing-data-tree.pst"));
    pstcraft::WriteRepeatedDataTree(at("repeated-data-tree.pst"));
    pstcraft::WriteOvercountedExtendedBlock(at("overcounted-extended-block.pst"));
    pstcraft::WriteMisplacedTableBlock(at("block-past-last-region.pst"), eof + 3 * pst::kRegionSize);
    pstcraft::WriteMisplacedTableBlock(at("block-over-allocation-map.pst"), pst::kFirstRegion);
    pstcraft::WriteFannedOutNodeIndex(at("fanned-out-node-index.pst"));
    pstcraft::WriteClearedAllocationMap(at("cleared-allocation-map.pst"));
    pstcraft::WriteBlockOverIndexPage(at("block-over-index-page.pst"));
    pstcraft::WriteSharedValueItem(at("shared-value-item.pst"), 64 * 1024);
    // Not hostile: a distribution list, whose multi-valued members the reader must parse.
    auto lists = pst::PstFile::Create(at("distribution-list.pst"), "Lists");
    mapi::PropertyBag list;
    list.Set(mapi::PidTagMessageClass.Key(), std::string(mapi::kDistListMessageClass));
    const std::vector<mapi::OneOffRecipient> members{{"Ada Lovelace", "SMTP", "ada@example.org"}, {"Nobody", "SMTP", ""}};
    mapi::SetDistributionListMembers(list, members);
    lists->AddMessage(lists->CreateFolder(lists->IpmSubtree(), "Contacts", "IPF.Contact"), list);
    lists->Close();
    return 0;
}
