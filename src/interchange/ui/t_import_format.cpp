#include "interchange/ui/t_import_format.h"

#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/my_table.h"
#include "interchange/dbf_import_source.h"
#include "interchange/import_record.h"
#include "interchange/import_run.h"
#include "interchange/ui/t_my_import.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kDialogTitle = QStringLiteral("Import Data");
const QString kAsciiFilter = QStringLiteral("Ascii Delimited Text (*.TXT)|*.TXT");
const QString kDbfFilter = QStringLiteral("DBase  (*.DBF)|*.DBF");

// The open dialogs add their default extension to a name typed without one.
QString WithDefaultExtension(QString path, const char *extension) {
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty() && !path.endsWith(u'.'))
        path += QLatin1String(extension);
    return path;
}

} // namespace

TImportFormat::TImportFormat(MyTable &table, Settings &settings, Prompter &prompter, FormLook look,
                             QWidget *parent)
    : QDialog(parent), m_table(table), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("ImportFormat"));
    setWindowTitle(QStringLiteral("Import Format"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("MyPanel"));
    m_panel->setFrameShape(QFrame::Panel);
    m_panel->setFrameShadow(QFrame::Sunken);
    m_panel->setGeometry(12, 12, 220, 70);
    m_ascii = new QRadioButton(QStringLiteral("Ascii Delimited File"), m_panel);
    m_ascii->setObjectName(QStringLiteral("AsciiDelimited"));
    m_ascii->setGeometry(12, 10, 196, 22);
    m_dbf = new QRadioButton(QStringLiteral("DBase File (DBF)"), m_panel);
    m_dbf->setObjectName(QStringLiteral("DBFFormat"));
    m_dbf->setGeometry(12, 38, 196, 22);

    m_fileButton = new QPushButton(QStringLiteral("Select &File"), this);
    m_fileButton->setObjectName(QStringLiteral("FileButton"));
    m_fileButton->setGeometry(244, 14, 90, 27);
    m_fileButton->setDefault(true);
    connect(m_fileButton, &QPushButton::clicked, this, &TImportFormat::FileButtonClick);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setGeometry(244, 52, 90, 27);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    resize(346, 94);
    (m_settings.importFileType == 2 ? m_dbf : m_ascii)->setChecked(true);
}

void TImportFormat::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TImportFormat::FormShow() {
    ShowScaled(this, m_look, false);
    (m_settings.importFileType == 2 ? m_dbf : m_ascii)->setChecked(true);
    SetColors(this, m_settings.colorSet(ColorTarget::Configure));
}

void TImportFormat::done(int result) {
    m_settings.importFileType = m_dbf->isChecked() && !m_ascii->isChecked() ? 2 : 1;
    QDialog::done(result);
}

void TImportFormat::FileButtonClick() {
    if (m_ascii->isChecked())
        DoAscii();
    else
        DoDBF();
}

void TImportFormat::DoAscii() {
    const auto chosen = m_prompter.openFileName(kDialogTitle, QString(), kAsciiFilter);
    if (!chosen)
        return;
    const QString path = WithDefaultExtension(*chosen, ".TXT");
    importing::TextFirstLine first;
    try {
        first = importing::ReadFirstLine(path, m_table.backend()->codePage());
    } catch (const importing::ImportError &e) {
        m_prompter.error(e.text());
        return;
    }
    if (first.problem != delimited::FirstLine::None) {
        m_prompter.error(importing::FirstLineMessage(first.problem));
        return;
    }
    runMatching(1, path, first.names);
}

void TImportFormat::DoDBF() {
    const auto chosen = m_prompter.openFileName(kDialogTitle, QString(), kDbfFilter);
    if (!chosen)
        return;
    const QString path = WithDefaultExtension(*chosen, ".DBF");
    if (!importing::IsDbfFileName(path)) {
        m_prompter.error(importing::kInvalidFileType);
        return;
    }
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList names;
    try {
        names = importing::DbfFieldNames(full);
    } catch (const db::DbError &e) {
        m_prompter.error(QString::fromStdString(e.what()));
        return;
    }
    runMatching(2, full, names);
}

void TImportFormat::runMatching(int kind, const QString &path, const QStringList &names) {
    {
        TMyImport matching(m_table, m_settings, m_prompter, m_look,
                           kind == 1 ? TMyImport::Kind::Text : TMyImport::Kind::Dbf, path, names,
                           this);
        matching.exec();
    }
    accept();
}

void TImportFormat::Run(MyTable &table, Settings &settings, Prompter &prompter,
                        const FormLook &look, QWidget *parent) {
    TImportFormat chooser(table, settings, prompter, look, parent);
    chooser.exec();
}
