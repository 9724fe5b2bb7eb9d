#include "interchange/ui/t_my_backup.h"

#include "core/prompter.h"

#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

using namespace safekeeping::form;

namespace {

constexpr int kWhereTop = kMargin + kChoiceHeight + kMargin;
constexpr int kWhereHeight = 66;

} // namespace

TMyBackup::TMyBackup(safekeeping::Services services, FormLook look, QWidget *parent)
    : TSafekeepingForm(std::move(services), std::move(look), "MyBackup", QStringLiteral("Backup"),
                       parent) {
    makeChoices(QStringLiteral("What To Back Up"), {"BackDBF", "BackLST", "BackURP"},
                {"Back Up Current Database (*.DBF)", "Back Up Lists (*.LST)",
                 "Back Up Report Definitions (*.URP)"});

    QFrame *where = MakePanel(this, "WherePanel", QStringLiteral("Where To Back Up To"),
                              "WhereLabel", QRect(kMargin, kWhereTop, kPanelWidth, kWhereHeight));
    m_dirBox = new QLineEdit(where);
    m_dirBox->setObjectName(QStringLiteral("DirBox"));
    m_dirBox->setGeometry(10, 32, kPanelWidth - 20 - 88, 24);
    m_dirBox->setText(QDir::toNativeSeparators(m_services.programDirectory));
    m_dirButton = new QPushButton(QStringLiteral("&Browse..."), where);
    m_dirButton->setObjectName(QStringLiteral("DirButton"));
    m_dirButton->setGeometry(kPanelWidth - 10 - 82, 31, 82, 26);
    connect(m_dirButton, &QPushButton::clicked, this, &TMyBackup::DirButtonClick);

    makeButtons(QStringLiteral("&Start Back Up"), kWhereTop + kWhereHeight + 12,
                &TMyBackup::StartButtonClick);
}

QString TMyBackup::directory() const {
    return QDir::fromNativeSeparators(m_dirBox->text().trimmed());
}

void TMyBackup::setDirectory(const QString &directory) {
    m_dirBox->setText(QDir::toNativeSeparators(directory));
}

void TMyBackup::DirButtonClick() {
    if (const std::optional<QString> chosen =
            m_services.prompter.directoryName(QStringLiteral("Where To Back Up To"), directory()))
        setDirectory(*chosen);
}

void TMyBackup::StartButtonClick() {
    ended(safekeeping::Backup(SelectedChoice(m_choices), directory(), m_services));
}
