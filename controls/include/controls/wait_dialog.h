// The small "please wait" window shown while a preview is built.
#pragma once

#include <QDialog>

namespace controls {

inline constexpr char kWaitText[] = "Please Wait While Process is Completed...";

class NSFWaitMSG : public QDialog {
    Q_OBJECT
public:
    explicit NSFWaitMSG(QWidget* parent = nullptr);
    // Shows it modeless, centred over its parent.
    void ShowCentred();
};

}  // namespace controls
