#include "interchange/ui/t_my_restore.h"

#include "core/prompter.h"

#include <QDir>
#include <QPushButton>

using namespace safekeeping::form;

namespace {

// The open dialog of each choice (MyOpenDialog): title, filter and the file name it offers.
struct OpenDialog {
    const char *title;
    const char *filter;
    const char *presetName;
};

OpenDialog OpenDialogFor(safekeeping::Choice choice) {
    switch (choice) {
    case safekeeping::Choice::Lists:
        return {"Restore LST Files", "List Files (*.LST) | *.LST", ""};
    case safekeeping::Choice::Reports:
        return {"Restore URP File", "Reports Files (*.URP) | *.URP", safekeeping::kReportsFileName};
    case safekeeping::Choice::Database:
        break;
    }
    return {"Restore DBF File", "DBase Files (*.DBF) | *.DBF", ""};
}

} // namespace

TMyRestore::TMyRestore(safekeeping::Services services, FormLook look, QWidget *parent)
    : TSafekeepingForm(std::move(services), std::move(look), "MyRestore", QStringLiteral("Restore"),
                       parent) {
    makeChoices(QStringLiteral("What To Restore"), {"RestoreDBF", "RestoreLST", "RestoreURP"},
                {"Restore a Database File (*.DBF)", "Restore List Files (*.LST)",
                 "Restore Report Definitions (*.URP)"});
    makeButtons(QStringLiteral("&Start Restore"), kMargin + kChoiceHeight + 12,
                &TMyRestore::StartButtonClick);
}

void TMyRestore::StartButtonClick() {
    const safekeeping::Choice choice = SelectedChoice(m_choices);
    const OpenDialog dialog = OpenDialogFor(choice);
    // The dialog starts in the user's home folder, with the one file name it offers.
    QString start = QDir::homePath();
    if (*dialog.presetName)
        start += u'/' + QLatin1String(dialog.presetName);
    const std::optional<QString> chosen = m_services.prompter.openFileName(
        QLatin1String(dialog.title), start, QLatin1String(dialog.filter));
    if (!chosen || chosen->isEmpty())
        return;
    ended(safekeeping::Restore(choice, *chosen, m_services));
}
