// Message classes: a class names its kind of item and the classes below it
// ("IPM.Contact" and "IPM.Contact.Custom"); case is ignored, as Outlook does.
#pragma once

#include <base/ascii.h>

#include <string_view>

namespace store {

inline bool IsClassOrBelow(std::string_view cls, std::string_view base) {
    if (cls.size() < base.size() || !base::EqualsIgnoringAsciiCase(cls.substr(0, base.size()), base)) return false;
    return cls.size() == base.size() || cls[base.size()] == '.';
}

}  // namespace store
