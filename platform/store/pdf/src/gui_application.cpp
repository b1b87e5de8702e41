#include "gui_application.h"

#include <QGuiApplication>

#include <memory>
#include <mutex>

namespace store::pdf {

bool EnsureGuiApplication() {
    // Two first conversions at once must not both make one.
    static std::mutex making;
    std::lock_guard lock(making);
    if (QCoreApplication* app = QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(app) != nullptr;
    // Qt keeps references to argc and argv for the application's lifetime.
    static int argc = 3;
    static char arg0[] = "ferrywell";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    // Kept until the process ends: destroying it during static destruction
    // would run after Qt's own globals are gone.
    static QGuiApplication* const app = std::make_unique<QGuiApplication>(argc, argv).release();
    return app != nullptr;
}

}  // namespace store::pdf
