// The main window's toolbar: large icons with their texts below, on a
// painted background.
#pragma once

#include <QToolBar>

namespace controls {

class CToolBar24 : public QToolBar {
    Q_OBJECT
public:
    explicit CToolBar24(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace controls
