// Renders arbitrary bytes as HTML into a PDF: the renderer must neither
// crash nor hang, and a PDF it writes must hold together: its last
// cross-reference section (the one our character maps are appended with)
// must point at the objects it names.
#include <store/pdf.h>

#include <base/atomic_file.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "broken PDF: %s\n", what);
    std::abort();
}

void CheckLastCrossReference(const std::string& pdf) {
    const size_t at = pdf.rfind("startxref");
    if (at == std::string::npos) Broken("no startxref");
    const size_t xref = std::strtoull(pdf.c_str() + at + 9, nullptr, 10);
    if (pdf.compare(xref, 4, "xref") != 0) Broken("startxref does not point at a cross-reference section");
    size_t pos = pdf.find('\n', xref) + 1;
    while (pos < pdf.size() && pdf.compare(pos, 7, "trailer") != 0) {
        char* end = nullptr;
        const unsigned long first = std::strtoul(pdf.c_str() + pos, &end, 10);
        const unsigned long count = std::strtoul(end, &end, 10);
        pos = pdf.find('\n', pos) + 1;
        for (unsigned long i = 0; i < count; ++i, pos += 20) {
            if (pos + 20 > pdf.size()) Broken("cross-reference section cut short");
            if (pdf[pos + 17] != 'n') continue;
            const size_t offset = std::strtoull(pdf.c_str() + pos, nullptr, 10);
            const std::string header = std::to_string(first + i) + " 0 obj";
            if (pdf.compare(offset, header.size(), header) != 0) Broken("an entry points beside its object");
        }
    }
    if (pdf.find("%%EOF", at) == std::string::npos) Broken("no end marker");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/html_to_pdf_fuzz-" + std::to_string(::getpid()) + ".pdf";
    const std::string html(reinterpret_cast<const char*>(data), size);
    if (store::ConvertHTMLToPDF(html, path)) {
        CheckLastCrossReference(base::ReadWholeFile(path));
        ::unlink(path.c_str());
    }
    return 0;
}
