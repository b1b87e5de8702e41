// Writes generated contacts in every output kind and prints contacts per second.
// Usage: bench_conversions [contacts per kind (10000)] [CSV rows (100000)] [folder]
#include <base/atomic_file.h>
#include <exporting/contact_item_fill.h>
#include <exporting/csv_file.h>
#include <renderings/render.h>
#include <store/msg_file.h>
#include <store/pdf.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

contacts::Contact Generated(int i) {
    const std::string n = std::to_string(i);
    contacts::Contact c;
    c.subject = "Acme" + n;
    c.firstName = "Zo\xC3\xAB" + n;
    c.lastName = "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2" + n;
    c.fullName = "Zo\xC3\xAB \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2 " + n;
    c.company = "Acme, \xE6\x9D\xB1\xE4\xBA\xAC " + n;
    c.jobTitle = "Engineer";
    c.department = "R&D <Lab>";
    c.phones = {{contacts::PhoneKind::Business, "+49 30 1234 " + n},
                {contacts::PhoneKind::Home, "+49 30 9876 " + n},
                {contacts::PhoneKind::Mobile, "+49 170 555 " + n}};
    c.emails = {"contact" + n + "@example.org"};
    c.business.street = "Hauptstra\xC3\x9F" "e " + n;
    c.business.city = "Berlin";
    c.business.postalCode = "10115";
    c.personalWebPage = "https://example.org/" + n;
    c.notes.richText = "Met at the fair.\r\n\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 " + n;
    c.birthday = contacts::CalendarDay{1982, 1 + i % 12, 1 + i % 28};
    return c;
}

exporting::ContactValues CsvValues(int i) {
    const std::string n = std::to_string(i);
    return {{"FirstName", "Zo\xC3\xAB" + n}, {"LastName", "Petrov" + n}, {"CompanyName", "Acme, Inc " + n},
            {"OfficePhoneNumber", "+49 30 1234 " + n}, {"MailAddress", "contact" + n + "@example.org"},
            {"OfficeCity", "Berlin"}, {"Birthday", "18.02.1982"}, {"FullName", "Zo\xC3\xAB Petrov " + n}};
}

struct Timing {
    double wall = 0;  // elapsed seconds
    double cpu = 0;   // seconds of this process on a processor (user + system)
};

double CpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

Timing Measure(const std::function<void()>& work) {
    auto t0 = std::chrono::steady_clock::now();
    double c0 = CpuSeconds();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), CpuSeconds() - c0};
}

// The wall-clock rate is what a user sees; the CPU rate shows what the code
// does when other work on the machine takes processor time away.
void Report(const char* kind, int count, Timing t) {
    std::printf("%-10s %7d contacts %8.2f s wall %9.0f /s wall %8.2f s CPU %9.0f /s CPU\n", kind, count, t.wall, count / t.wall,
                t.cpu, count / t.cpu);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int csvRows = argc > 2 ? std::atoi(argv[2]) : 100000;
    const std::filesystem::path dir = argc > 3 ? std::filesystem::path(argv[3])
                                               : std::filesystem::temp_directory_path() / ("fw-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);

    std::vector<contacts::Contact> items;
    items.reserve(count);
    for (int i = 0; i < count; ++i) items.push_back(Generated(i));

    Report("MSG", count, Measure([&] {
        for (int i = 0; i < count; ++i) {
            auto item = store::CreateMessageFromMsgFile((dir / ("Acme" + std::to_string(i) + ".msg")).string(), "IPM.Contact",
                                                        store::kMsgFileFormat);
            exporting::SetContactItem(*item, items[i]);
            item->Save();
        }
    }));
    using renderings::Format;
    struct Kind { const char* name; Format type; const char* ext; };
    const Kind kinds[] = {{"HTML", Format::Html, ".html"}, {"TXT", Format::Text, ".txt"},     {"RTF", Format::Rtf, ".rtf"},
                          {"DOC", Format::Doc, ".doc"},    {"MHTML", Format::Mhtml, ".mhtml"}, {"vCard", Format::VCard, ".vcf"}};
    for (const auto& k : kinds) {
        Report(k.name, count, Measure([&] {
            for (int i = 0; i < count; ++i)
                base::WriteFileAtomically((dir / ("Acme--" + std::to_string(i) + k.ext)).string(),
                                          renderings::RenderContact(items[i], k.type));
        }));
    }
    store::ConvertHTMLToPDF("<p>warm-up</p>", (dir / "warm-up.pdf").string());  // application start-up is not per contact
    // Every generated contact holds CJK text, so each PDF embeds a Latin and a
    // CJK font; the second run drops the CJK text to show the common case.
    auto pdfRun = [&] {
        const std::string html = (dir / "temp.html").string();
        for (int i = 0; i < count; ++i) {
            base::WriteFileAtomically(html, renderings::RenderContact(items[i], Format::Html));
            store::ConvertHtml2Pdf(html, (dir / ("Acme--" + std::to_string(i) + ".pdf")).string());
        }
    };
    Report("PDF", count, Measure(pdfRun));
    for (int i = 0; i < count; ++i) items[i].company = "Acme, Inc " + std::to_string(i);
    Report("PDF no CJK", count, Measure(pdfRun));
    for (int rows : {count, csvRows}) {
        std::filesystem::remove(dir / "People.csv");
        Report("CSV rows", rows, Measure([&] {
            exporting::CsvAppender out((dir / "People.csv").string());
            for (int i = 0; i < rows; ++i) out.AppendRow(CsvValues(i));
        }));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
