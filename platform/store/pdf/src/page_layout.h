// A parsed HTML document laid out on the pages of a PDF writer, line by line.
//
// Top-level blocks flow down the page; a table is laid out row by row, each
// cell's lines flowing on to the next page where the row does not fit, so a
// row that spans pages is drawn page after page as it goes. Only the lines
// of the paragraphs being drawn are in memory at any time.
#pragma once

#include "text_flow.h"
#include "text_layer.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

#include <functional>

namespace store::pdf {

// Draws the whole document; throws Stopped when stop() says so.
void DrawDocument(const QTextDocument& doc, QPdfWriter& writer, QPainter& painter, TextLayer& layer,
                  const std::function<bool()>& stop);

}  // namespace store::pdf
