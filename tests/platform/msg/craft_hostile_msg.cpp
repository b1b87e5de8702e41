// Writes the fuzz seeds of fuzz/msg/seeds into a folder: a contact as the
// writer makes it and the crafted files of compound_file_crafting.h.
#include "compound_file_crafting.h"

#include <mapi/contact.h>
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
    contact.Set(mapi::PropertyKey::Tag(mapi::tag::MessageClass, mapi::PropType::Unicode), std::string("IPM.Contact"));
    contact.Set(mapi::InfoOf(mapi::ContactField::FullName).key, std::string("Ada Lovelace"));
    contact.Set(mapi::InfoOf(mapi::ContactField::Email1Address).key, std::string("ada@example.org"));
    contact.Set(mapi::PropertyKey::Tag(mapi::tag::Body, mapi::PropType::Unicode), std::string(5000, 'b'));
    save("contact.msg", msg::EncodeMessage(contact));
    save("shared-chain.msg", cfbcraft::SharedChainCompoundFile(3, 16));
    return 0;
}
