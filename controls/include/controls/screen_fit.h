// Windows and dialogs sized for the screen they open on: the size a window
// asks for, but never more than the screen's free area, so that a small or
// scaled screen (HiDPI at scale 2) still shows every edge and button.
#pragma once

#include <QSize>

#include <initializer_list>

class QWidget;

namespace controls {

// The room the screen of widget (or of its parent, or the primary screen)
// leaves for a window, its frame taken off.
QSize ScreenRoom(const QWidget& widget);

// Resizes window to wanted, bounded by ScreenRoom and at least its layout's
// minimum where that fits.
void FitToScreen(QWidget& window, QSize wanted);

// A scroll area holding widgets in a column: as tall as they are where the
// window has room, scrolling where it has not.
QWidget* ScrollingColumn(QWidget* parent, std::initializer_list<QWidget*> widgets);

}  // namespace controls
