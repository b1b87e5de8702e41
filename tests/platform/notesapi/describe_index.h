// An index described as text, for tests that compare indexes.
#pragma once

#include "index.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// Everything an index says, as text: views, the kept names, and for every
// document its place, identity and kept values.
inline std::string DescribeIndex(const notesapi::DatabaseIndex& ix) {
    std::ostringstream o;
    o << ix.title << '|' << ix.replicaId.GetText().str() << '|' << ix.encoding << '\n';
    for (const auto& v : ix.views) {
        o << v.name << ' ' << v.isFolder << ' ' << v.selection;
        for (const auto& c : v.columns) o << ' ' << c.itemName << c.sorted << c.descending << c.categorized;
        o << '\n';
    }
    std::vector<std::string> kept;
    for (size_t id = 0; id < ix.summarised.size(); ++id)
        if (ix.summarised[id]) kept.push_back(ix.strings[id]);
    std::sort(kept.begin(), kept.end());
    for (const auto& name : kept) o << "kept " << name << '\n';
    for (size_t d = 0; d < ix.docs.size(); ++d) {
        const notesapi::DocRecord& r = ix.docs[d];
        o << r.begin << ' ' << r.size << ' ' << r.skipAt << ' ' << r.skipSize << ' ' << ix.strings[r.form] << ' '
          << r.noteId << ' ' << r.sequence << ' ' << r.unid.GetText().str() << ' ' << r.modified.Unpack().Text() << ' '
          << r.revised.Unpack().Text();
        for (const auto& name : kept) {
            std::vector<std::string> values;
            const auto how = ix.SummaryValues(d, name, &values);
            o << " | " << name << int(how);
            for (const auto& v : values) o << ':' << v;
        }
        o << '\n';
    }
    return o.str();
}

}  // namespace testsupport
