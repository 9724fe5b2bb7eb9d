#pragma once

#include <QGuiApplication>

// The real page engines measure and draw with Qt's fonts, which need a QGuiApplication;
// the first call makes one (offscreen unless the environment names a platform).
inline void EnsureGuiApplication() {
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "stowkeep-report-tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals may be gone before static destructors run.
    static QGuiApplication *app = new QGuiApplication(argc, argv);
    (void)app;
}
