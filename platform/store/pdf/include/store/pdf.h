// HTML laid out on A4 pages and written as PDF.
//
// Threads: rendering needs a QGuiApplication. When the process has none (a
// command-line run, tests), the first call creates one with the offscreen
// platform and keeps it to the end of the process; later calls may come from
// any thread, also after that first thread has ended. A program with its own
// QGuiApplication/QApplication must create it before the first conversion.
// Each conversion keeps all of its state to itself, so conversions on
// different threads may run at the same time.
#pragma once

#include <functional>
#include <string>

namespace store {

enum class PdfOutcome {
    Written,
    Stopped,  // the stop predicate asked to stop; nothing was written
    Failed,   // the PDF could not be made or written; nothing was written
};

// Asked while a document is laid out, at least every few thousand characters;
// true ends the conversion within moments.
using StopRequested = std::function<bool()>;

// Renders the HTML file at htmlPath into a PDF at pdfPath. Does nothing when
// no file exists at htmlPath. The text is read as UTF-8 unless it starts with
// a UTF-8, UTF-16LE or UTF-16BE byte-order mark. Never throws.
void ConvertHtml2Pdf(const std::string& htmlPath, const std::string& pdfPath);

// Renders HTML text into a PDF at pdfPath: A4 pages, 36 pt margins, fonts
// covering Latin, Greek, Cyrillic, CJK and emoji, text that a reader copies
// or searches as the characters it was made from. Paragraphs, headings,
// lists and tables are laid out (a table nested in a cell as the cell's
// text); markup the layout engine does not know is skipped and the rest is
// rendered. Time and memory grow in proportion to the text. An existing file
// at pdfPath is replaced only once the new PDF is complete. Never throws.
PdfOutcome RenderHtmlToPdf(const std::string& html, const std::string& pdfPath, const StopRequested& stop);

// RenderHtmlToPdf into memory: *pdf gets the PDF's bytes when Written.
PdfOutcome RenderHtmlToPdfBytes(const std::string& html, std::string* pdf, const StopRequested& stop);

// RenderHtmlToPdf without a stop predicate; true when the PDF was written.
bool ConvertHTMLToPDF(const std::string& html, const std::string& pdfPath);

}  // namespace store
