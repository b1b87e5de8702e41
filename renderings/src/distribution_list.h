// What the renderings of a distribution list show, and the renderings.
#pragma once

#include <contacts/distribution_list.h>

#include <string>
#include <vector>

namespace renderings {

struct ShownMember {
    std::string name;     // cleaned for output, as every text below
    std::string address;  // empty for a member kept without an address
    std::string line;     // "Name <address>", the name alone, or the address alone
};

struct ShownList {
    std::string name;         // "Distribution List" when the list has none
    std::string description;
    std::vector<ShownMember> members;
};

ShownList ShownListOf(const contacts::DistributionList& list);

std::string ListText(const ShownList& list);
std::string ListHtml(const ShownList& list);
std::string ListRtf(const ShownList& list);
std::string ListVCard(const ShownList& list);

}  // namespace renderings
