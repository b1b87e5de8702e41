// HTML laid out on A4 pages and written as PDF.
//
// Threads: rendering needs a QGuiApplication. When the process has none (a
// command-line run, tests), the first call creates one with the offscreen
// platform on the calling thread and keeps it to the end of the process; later
// calls may come from other threads, also after that first thread has ended.
// A program with its own QGuiApplication/QApplication must create it before
// the first conversion. Conversions are serialised: one runs at a time.
#pragma once

#include <string>

namespace store {

// Renders the HTML file at htmlPath into a PDF at pdfPath. Does nothing when
// no file exists at htmlPath. The text is read as UTF-8 unless it starts with
// a UTF-8, UTF-16LE or UTF-16BE byte-order mark. Never throws.
void ConvertHtml2Pdf(const std::string& htmlPath, const std::string& pdfPath);

// Renders HTML text into a PDF at pdfPath: A4 pages, 36 pt margins, fonts
// covering Latin, Greek, Cyrillic and CJK. Markup the layout engine does not
// know is skipped and the rest is rendered. An existing file at pdfPath is
// replaced only once the new PDF is complete. Returns false (and leaves any
// old file as it was) when the PDF cannot be written. Never throws.
bool ConvertHTMLToPDF(const std::string& html, const std::string& pdfPath);

}  // namespace store
