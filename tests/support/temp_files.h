// DXL text for tests.
#pragma once

#include "test_files.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

inline std::string SamplePath() { return std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl"; }

// A DXL database around body (views and documents).
inline std::string Dxl(const std::string& body) {
    return "<?xml version='1.0' encoding='utf-8'?>\n"
           "<!DOCTYPE database SYSTEM 'xmlschemas/domino_8_5_3.dtd'>\n"
           "<database xmlns='http://www.lotus.com/dxl' version='8.5' title='Test'>\n" +
           body + "</database>\n";
}

inline std::string View(const std::string& name, const std::string& formula, const std::string& columns = "",
                        const char* element = "view") {
    std::string code = formula.empty() ? "" : "<code event='selection'><formula>" + formula + "</formula></code>";
    return std::string("<") + element + " name='" + name + "'>" + code + columns + "</" + element + ">\n";
}

// A document of form with items; unid (32 hexadecimal digits) gives it the
// universal id a later export finds it again by.
inline std::string Person(const std::string& items, const char* form = "Person", const std::string& unid = "") {
    return std::string("<document form='") + form + "'><noteinfo noteid='1f'" + (unid.empty() ? "" : " unid='" + unid + "'") +
           "><modified><datetime>20240102T030405,06-00</datetime></modified></noteinfo>" + items + "</document>\n";
}

inline std::string Text(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><text>" + value + "</text></item>";
}

}  // namespace testsupport

