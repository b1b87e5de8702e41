// app_icons OUT_DIR: writes the application's icon as OUT_DIR/SIZExSIZE/apps/ferrywell.png
// for the sizes of the hicolor icon theme.
#include <controls/icons.h>

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: app_icons OUT_DIR\n");
        return 2;
    }
    // Drawing needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QString("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(folder) || !controls::AppIconPixmap(size).save(folder + "/ferrywell.png")) {
            std::fprintf(stderr, "app_icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
