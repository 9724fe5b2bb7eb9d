#include "app/ui/help_window.h"
#include "app/ui/program_identity.h"
#include "app/ui/qt_prompter.h"
#include "app/ui/t_main.h"
#include "settings/config_location.h"
#include "settings/data_location.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    SetProgramIdentity();

    const ConfigLocation where;
    Settings settings(QDir::currentPath());
    // A help file the user keeps in the program directory wins over the installed one; the
    // built-in copy stands in when there is neither.
    QtPrompter prompter(nullptr,
                        data_location::find(QStringLiteral("STOWKP.HLP"), where.programDirectory(),
                                            QCoreApplication::applicationDirPath()));
    // Report definitions, pick lists and the default inventory file live there: without it
    // nothing the user types could be kept.
    if (!where.ensureProgramDirectory()) {
        prompter.error(QStringLiteral("The program directory %1 could not be created.  The "
                                      "program cannot run without it.")
                           .arg(QDir::toNativeSeparators(where.programDirectory())));
        return 1;
    }

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    TMain main(settings, prompter,
               TMain::Options{where.configFile(), where.programDirectory(), arguments, {}});
    prompter.setParent(&main);
    // No inventory file could be made or chosen: nothing to work on.
    if (!main.FormCreate())
        return 1;
    main.show();
    return QApplication::exec();
}
