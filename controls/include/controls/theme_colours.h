// The design's colours where the desktop's palette lets them be read, and
// colours of the palette where it does not (a dark or high-contrast theme).
#pragma once

#include <QColor>
#include <QPalette>

namespace controls {

// The contrast of two colours as the accessibility guidelines measure it:
// 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b);

// True when the palette's text is light on a dark window (a dark theme).
bool IsDark(const QPalette& palette);

// wanted when it reads on background (a contrast of 3 at least, which the
// design's colours on light backgrounds have); else the same hue made as
// light (on a dark background) or as dark as reading needs (4.5).
QColor Legible(const QColor& wanted, const QColor& background);

// The design's background where the palette's own text reads on it, else
// the palette's colour of that role: text and background always come from
// one side.
QColor BackgroundFor(const QColor& designed, const QPalette& palette, QPalette::ColorRole role = QPalette::Window);

// The light grey of the lists' grid lines, or the palette's mid colour
// under a dark palette.
QColor GridColour(const QPalette& palette);

}  // namespace controls
