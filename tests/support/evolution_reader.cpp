#include "evolution_reader.h"

#include "tool_runner.h"

#include <sstream>

namespace testsupport {

namespace {

// Every field of the parsed EContact that holds something: texts, names,
// addresses (components joined by '|'), dates, and the category list read
// from its attribute values; "name<TAB>value", tabs, line breaks and
// backslashes escaped.
const char* kEvolutionDump = R"(
import sys, gi
gi.require_version('EBookContacts', '1.2')
from gi.repository import EBookContacts as EB
c = EB.Contact.new_from_vcard(open(sys.argv[1], encoding='utf-8', newline='').read())
out = []
for p in c.list_properties():
    kind, v = p.value_type.name, None
    if kind == 'gchararray' and p.name != 'categories':
        v = c.get_property(p.name)
    elif kind == 'EContactAddress':
        a = c.get_property(p.name)
        v = a and '|'.join([a.po, a.ext, a.street, a.locality, a.region, a.code, a.country])
    elif kind == 'EContactName':
        n = c.get_property(p.name)
        v = n and '|'.join(x or '' for x in [n.family, n.given, n.additional, n.prefixes, n.suffixes])
    elif kind == 'EContactDate':
        d = c.get_property(p.name)
        v = d and '%04d-%02d-%02d' % (d.year, d.month, d.day)
    if v: out.append((p.name, v))
cats = c.get_attribute('CATEGORIES')
if cats: out.append(('category-list', '|'.join(cats.get_values())))
for name, v in out:
    print(name + '\t' + v.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t'))
)";

}  // namespace

std::map<std::string, std::string> ReadWithEvolution(const std::string& path) {
    auto r = RunPython(kEvolutionDump, Quote(path));
    EXPECT_EQ(r.exitCode, 0) << r.out << "\n(Evolution's parser comes with gir1.2-ebookcontacts-1.2)";
    std::map<std::string, std::string> out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string value;
        for (size_t i = tab + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                c = line[++i];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            value += c;
        }
        EXPECT_TRUE(out.emplace(line.substr(0, tab), value).second) << line;
    }
    return out;
}

}  // namespace testsupport
