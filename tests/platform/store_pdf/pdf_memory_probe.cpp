// Renders a contact whose notes hold N short lines into a PDF and prints the
// process's peak memory in KiB: pdf_memory_probe N OUT.pdf
#include <renderings/render.h>
#include <store/pdf.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const int lines = std::atoi(argv[1]);
    std::string html;
    {
        contacts::Contact contact;
        for (int i = 0; i < lines; ++i) contact.notes.richText += "Line " + std::to_string(i) + "\r\n";
        html = renderings::RenderContact(contact, renderings::Format::Html);
    }
    if (!store::ConvertHTMLToPDF(html, argv[2])) return 1;
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}
