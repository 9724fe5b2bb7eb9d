#include "app/batch_commands.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return RunBatch(arguments, stdout, stderr);
}
