// A postal address as a contact keeps it: its parts, and the whole address
// as one text, composed the way Outlook composes it for its address boxes.
#pragma once

#include <string>

namespace mapi {

struct AddressParts {
    std::string street, city, state, postalCode, country;
    // True when no part holds more than blanks.
    bool Empty() const;
};

// "street", "city, state  postal code" and "country" as lines joined by
// CR LF; parts that hold only blanks are left out with their separators, a
// street of several lines keeps them.
std::string ComposeAddress(const AddressParts& parts);

}  // namespace mapi
