#include "support/qt_app.h"

#include <QApplication>

namespace {
// Never destroyed: at exit Qt's own globals may already be gone, and destroying the
// application after them crashes. The pointer keeps it reachable for leak checkers.
QApplication *g_app = nullptr;
} // namespace

void EnsureQtApplication() {
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "stowkeep-tests";
    static char *argv[] = {name, nullptr};
    g_app = new QApplication(argc, argv);
}
