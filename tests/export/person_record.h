// The record of the one Person document of a database made of items, read
// as the exporters read it.
#pragma once

#include <exporting/contact_map.h>

#include <open_database.h>
#include <temp_files.h>

namespace exporttest {

inline exporting::ContactRecord ReadPersonRecord(const std::string& items) {
    testsupport::TempDir dir;
    testsupport::OpenDatabase open(dir.Write("c.dxl", testsupport::Dxl(testsupport::Person(items))));
    LNDocument doc = open.Search("@All")[0];
    doc.Open();
    return exporting::ReadContact(doc);
}

}  // namespace exporttest
