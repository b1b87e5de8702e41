// Writes the fuzz seeds of fuzz/msg/seeds into a folder: a contact and a
// distribution list as the writer makes them and the crafted files of
// compound_file_crafting.h.
#include "compound_file_crafting.h"

#include <mapi/contact.h>
#include <mapi/distribution_list.h>
#include <msg/msg_file.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: craft_hostile_msg FOLDER\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    auto save = [&](const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary | std::ios::trunc) << bytes;
    };
    mapi::PropertyBag contact;
    contact.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    contact.Set(mapi::InfoOf(mapi::ContactField::FullName).key, std::string("Ada Lovelace"));
    contact.Set(mapi::InfoOf(mapi::ContactField::Email1Address).key, std::string("ada@example.org"));
    contact.Set(mapi::PidTagBody.Key(), std::string(5000, 'b'));
    save("contact.msg", msg::EncodeMessage(contact));
    save("shared-chain.msg", cfbcraft::SharedChainCompoundFile(3, 16));
    mapi::PropertyBag list;
    list.Set(mapi::PidTagMessageClass.Key(), std::string(mapi::kDistListMessageClass));
    const std::vector<mapi::OneOffRecipient> members{{"Ada Lovelace", "SMTP", "ada@example.org"}, {"Nobody", "SMTP", ""}};
    mapi::SetDistributionListMembers(list, members);
    save("distribution-list.msg", msg::EncodeMessage(list));
    return 0;
}
