#include "app/batch_commands.h"
#include "app/batch_report.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <memory>

int main(int argc, char *argv[]) {
    // Commands that lay out and draw pages need fonts and painting: a GUI application, on
    // the offscreen platform unless the environment names one (no display is needed). The
    // others stay a plain core application.
    std::unique_ptr<QCoreApplication> app;
    if (BatchNeedsGui(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunBatch(arguments, stdout, stderr);
}
