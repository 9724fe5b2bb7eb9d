#include "app/ui/program_identity.h"

#include "ui/artwork.h"

#include <QApplication>
#include <QIcon>

void SetProgramIdentity() {
    QApplication::setApplicationName(QStringLiteral("Stowkeep Inventory"));
    // Qt appends a display name to every window title ("Configure — Stowkeep Inventory"),
    // which cuts the small dialogs' captions; an empty one leaves the captions alone.
    QGuiApplication::setApplicationDisplayName(QString());
    // Ties the windows to the installed desktop entry, whose icon the desktop then shows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.stowkeep.Stowkeep"));
    QIcon drawnIcon;
    for (const int size : {16, 32, 48, 64})
        drawnIcon.addPixmap(ProgramIconPixmap(size));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("org.stowkeep.Stowkeep"), drawnIcon));
}
