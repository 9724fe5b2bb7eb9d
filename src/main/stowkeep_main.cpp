#include "app/ui/help_window.h"
#include "app/ui/qt_prompter.h"
#include "app/ui/t_main.h"
#include "core/case_insensitive_path.h"
#include "settings/config_location.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stowkeep Inventory"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stowkeep Inventory"));

    const ConfigLocation where;
    (void)where.ensureProgramDirectory();
    Settings settings(QDir::currentPath());
    // A help file the user keeps in the program directory wins; the built-in copy stands in
    // when there is none.
    QtPrompter prompter(
        nullptr, resolveCaseInsensitive(where.programDirectory(), QStringLiteral("STOWKP.HLP")));

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
