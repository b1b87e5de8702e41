#include <controls/theme_colours.h>

#include <algorithm>
#include <cmath>

namespace controls {

namespace {
// Text needs at least this contrast to its background; a colour of the
// design is kept down to the lower bound of large text and marks (the
// design's green on white), a colour made for reading gets the full one.
constexpr double kReadable = 4.5;
constexpr double kDesignKept = 3.0;

double Channel(double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double Luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) + 0.0722 * Channel(rgb.blueF());
}

QPalette::ColorRole TextRoleOf(QPalette::ColorRole background) {
    switch (background) {
    case QPalette::Base:
    case QPalette::AlternateBase:
        return QPalette::Text;
    case QPalette::Button:
        return QPalette::ButtonText;
    default:
        return QPalette::WindowText;
    }
}
}  // namespace

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDark(const QPalette& palette) {
    return Luminance(palette.color(QPalette::Window)) < Luminance(palette.color(QPalette::WindowText));
}

QColor Legible(const QColor& wanted, const QColor& background) {
    if (Contrast(wanted, background) >= kDesignKept) return wanted;
    const bool darkBackground = Luminance(background) < 0.18;
    float h = 0, s = 0, l = 0, a = 0;
    wanted.toHsl().getHslF(&h, &s, &l, &a);
    // A near black or white has no hue worth keeping: it turns grey.
    if (l < 0.1f || l > 0.9f) s = 0;
    for (int step = 0; step < 20; ++step) {
        l = darkBackground ? std::min(1.0f, l + 0.05f) : std::max(0.0f, l - 0.05f);
        const QColor c = QColor::fromHslF(h, s, l, a);
        if (Contrast(c, background) >= kReadable) return c;
    }
    return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

QColor BackgroundFor(const QColor& designed, const QPalette& palette, QPalette::ColorRole role) {
    return Contrast(palette.color(TextRoleOf(role)), designed) >= kReadable ? designed : palette.color(role);
}

QColor GridColour(const QPalette& palette) {
    return IsDark(palette) ? palette.color(QPalette::Mid) : QColor(0xe4, 0xe4, 0xe4);
}

}  // namespace controls
