// The main window's layout: the folder tree on the left, the item list at the
// top right and the preview below it, separated by two bars that show a line
// while dragged and move on release; the line under the toolbar stretches
// with the window, the logo keeps to the top right, the status bar keeps its
// room at the bottom and its size grip hides while the window is maximised.
#pragma once

#include <QColor>

class QFrame;
class QMainWindow;
class QSplitter;
class QStatusBar;
class QToolBar;
class QWidget;

namespace app {

// Pixels.
inline constexpr int kLayoutMargin = 4;     // around the panes
inline constexpr int kToolbarTop = 6;       // gap between the menu and the toolbar
inline constexpr int kToolbarHeight = 80;
inline constexpr int kStatusBarRoom = 25;   // the status bar's height
inline constexpr int kVerticalBarWidth = 6;
inline constexpr int kHorizontalBarHeight = 5;
inline constexpr int kSeparatorHeight = 1;  // line 1036 under the toolbar
inline constexpr int kFilterGap = 2;        // between the list's filter box and the list

inline const QColor kVerticalBarColour{120, 120, 120};
inline const QColor kHorizontalBarColour{0, 0, 255};

struct PaneLayout {
    QWidget* centre = nullptr;        // the main window's central widget
    QFrame* line = nullptr;           // 1036
    QSplitter* vertical = nullptr;    // 1013: tree | list over preview
    QSplitter* horizontal = nullptr;  // 1014: list over preview
};

// Lays tree, list and preview out in a new central widget of window.
PaneLayout LayOutPanes(QMainWindow& window, QWidget* tree, QWidget* list, QWidget* preview);

// Fixes the toolbar's height and its gap below the menu.
void LayOutToolbar(QToolBar& toolbar);

// Fixes the status bar's height and keeps its size grip.
void LayOutStatusBar(QStatusBar& bar);

}  // namespace app
