// A distribution list as plain values: its name, description, members and
// where it came from.
#pragma once

#include <contacts/origin.h>

#include <string>
#include <vector>

namespace contacts {

enum class MemberKind {
    Address,   // a member with an e-mail address
    NameOnly,  // a member kept by its name alone
};

struct Member {
    std::string displayName;
    std::string address;  // empty for a member kept by its name
    MemberKind kind = MemberKind::NameOnly;
    bool operator==(const Member&) const = default;
};

struct DistributionList {
    std::string name;
    std::string description;
    std::vector<Member> members;  // in order, each once
    Origin origin;
    bool operator==(const DistributionList&) const = default;
};

}  // namespace contacts
