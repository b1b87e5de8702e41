// Names of the streams and storages inside a message file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace msg {

inline constexpr const char* kPropertiesStream = "__properties_version1.0";

// "__substg1.0_" followed by the property id and type as eight upper-case hex digits.
inline std::string SubstgName(uint16_t id, uint16_t type) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "__substg1.0_%04X%04X", unsigned(id), unsigned(type));
    return buf;
}

// The stream of one value of a multi-valued property: SubstgName + "-" and
// the value's index as eight upper-case hex digits.
inline std::string ValueStreamName(uint16_t id, uint16_t type, uint32_t index) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "-%08X", unsigned(index));
    return SubstgName(id, type) + buf;
}

}  // namespace msg
