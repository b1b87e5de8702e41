// What the renderings of a distribution list show, and the renderings.
#pragma once

#include <mapi/property.h>

#include <string>
#include <vector>

namespace store::render {

struct ShownMember {
    std::string name;     // cleaned for output, as every text below
    std::string address;  // empty for a member kept without an address
    std::string line;     // "Name <address>", the name alone, or the address alone
};

struct ShownList {
    std::string name;         // "Distribution List" when the list has none
    std::string description;  // the body
    std::vector<ShownMember> members;
};

ShownList ShownListOf(const mapi::PropertyBag& properties);

std::string ListText(const ShownList& list);
std::string ListHtml(const ShownList& list);
std::string ListRtf(const ShownList& list);
std::string ListVCard(const ShownList& list);

}  // namespace store::render
