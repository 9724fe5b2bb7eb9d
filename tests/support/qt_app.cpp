#include "support/qt_app.h"

#include <QApplication>

void EnsureQtApplication() {
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "stowkeep-tests";
    static char *argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}
