// Temporary files and DXL text for tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace testing_support {

// A folder under the system's temporary folder, removed with its contents.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ferrywell-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string Write(const std::string& name, const std::string& content) const {
        auto p = path_ / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

private:
    std::filesystem::path path_;
};

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

inline std::string Person(const std::string& items, const char* form = "Person") {
    return std::string("<document form='") + form + "'><noteinfo noteid='1f'><modified><datetime>20240102T030405,06-00</datetime></modified></noteinfo>" +
           items + "</document>\n";
}

inline std::string Text(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><text>" + value + "</text></item>";
}

}  // namespace testing_support

