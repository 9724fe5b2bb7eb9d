#include "reports/ui/t_my_report.h"

#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/my_table.h"
#include "reports/report_file.h"
#include "reports/report_job.h"
#include "reports/report_selection.h"
#include "reports/ui/t_my_insurance.h"
#include "reports/ui/t_my_preview.h"
#include "reports/ui/t_report_form.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>

#include <memory>

using reports::OutputMode;

TMyReport::TMyReport(ReportServices services, QWidget *parent)
    : QDialog(parent), m_services(std::move(services)) {
    setObjectName(QStringLiteral("MyReport"));
    setWindowTitle(QStringLiteral("Reports"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    auto *which = new QGroupBox(QStringLiteral("Records"), this);
    which->setObjectName(QStringLiteral("GroupBox1"));
    which->setGeometry(8, 6, 300, 50);
    m_entire = new QRadioButton(QStringLiteral("Print Entire Database"), which);
    m_entire->setObjectName(QStringLiteral("ExportEntire"));
    m_entire->setGeometry(10, 20, 140, 22);
    m_search = new QRadioButton(QStringLiteral("Print Search Criteria"), which);
    m_search->setObjectName(QStringLiteral("ExportSearch"));
    m_search->setGeometry(154, 20, 140, 22);

    auto *listLabel = new QLabel(QStringLiteral("Select a &Report"), this);
    listLabel->setObjectName(QStringLiteral("Label1"));
    listLabel->setGeometry(8, 62, 300, 18);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ReportBox"));
    m_list->setGeometry(8, 82, 300, 186);
    listLabel->setBuddy(m_list);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TMyReport::ViewButtonClick);

    auto *sortLabel = new QLabel(QStringLiteral("Current Sort Order"), this);
    sortLabel->setObjectName(QStringLiteral("Label2"));
    sortLabel->setGeometry(8, 276, 300, 18);
    m_sortOrder = new QLabel(this);
    m_sortOrder->setObjectName(QStringLiteral("SortOrderLabel"));
    m_sortOrder->setGeometry(8, 294, 300, 36);
    m_sortOrder->setWordWrap(true);
    m_sortOrder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    colors::SetTitle(m_sortOrder, colors::Title::Minor);

    struct Button {
        QPushButton *&button;
        const char *name;
        const char *caption;
        void (TMyReport::*click)();
    };
    const Button buttons[] = {
        {m_view, "ViewButton", "&View", &TMyReport::ViewButtonClick},
        {m_print, "PrintButton", "&Print", &TMyReport::PrintButtonClick},
        {m_file, "FileButton", "Print To &File", &TMyReport::FileButtonClick},
        {m_ins, "InsButton", "&Insurance", &TMyReport::InsButtonClick},
        {m_new, "NewButton", "&New Report", &TMyReport::NewButtonClick},
        {m_modify, "ModifyButton", "&Modify Report", &TMyReport::ModifyButtonClick},
        {m_help, "HelpButton", "&Help", &TMyReport::HelpButtonClick},
        {m_exit, "ExitButton", "E&xit", nullptr},
    };
    int top = 12;
    for (const Button &b : buttons) {
        b.button = new QPushButton(QLatin1String(b.caption), this);
        b.button->setObjectName(QLatin1String(b.name));
        b.button->setGeometry(320, top, 110, 30);
        b.button->setAutoDefault(false);
        if (b.click)
            connect(b.button, &QPushButton::clicked, this, b.click);
        top += b.button == m_ins || b.button == m_modify ? 46 : 36;
    }
    m_view->setDefault(true);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::accept);

    resize(440, 340);
    // Each showing starts again from these dimensions.
    (void)m_dimensions.save(this, m_services.prompter);
    LoadReportBox();
}

TMyReport::~TMyReport() = default;

void TMyReport::Show() {
    exec();
}

void TMyReport::showEvent(QShowEvent *event) {
    FormShow();
    QDialog::showEvent(event);
}

void TMyReport::FormShow() {
    const FormLook look = m_services.look();
    ApplyFonts(this, look.labelFont, look.editFont, look.buttonFont);
    RestoreAndScale(this, m_dimensions, look.factor, look.screen);
    MoveUpIfLow(this);
    SetColors(this, m_services.settings.colorSet(ColorTarget::Report));
    if (m_services.searchInForce && m_services.searchInForce()) {
        m_search->setEnabled(true);
        m_search->setChecked(true);
    } else {
        m_entire->setChecked(true);
        m_search->setEnabled(false);
    }
    m_list->setFocus();
    SelectReport(m_services.settings.lastReport);
    m_sortOrder->setText(repselect::SortOrderInWords(m_services.settings));
}

void TMyReport::done(int result) {
    m_services.settings.lastReport = selectedIndex();
    QDialog::done(result);
}

void TMyReport::LoadReportBox() {
    m_list->clear();
    m_list->addItems(ReportFile(m_services.programDirectory).listNames());
}

void TMyReport::SelectReport(int index) {
    if (index >= 0 && index < m_list->count()) {
        m_list->setCurrentRow(index);
    } else {
        // An index beyond the list (a shorter file than last time) selects nothing.
        m_list->setCurrentRow(-1);
        m_list->clearSelection();
    }
}

int TMyReport::selectedIndex() const {
    const QListWidgetItem *item = m_list->currentItem();
    return item && item->isSelected() ? m_list->row(item) : -1;
}

void TMyReport::refuseNoSelection() {
    m_services.prompter.beep(Prompter::Icon::Error);
    m_services.prompter.error(QLatin1String(repselect::kNoSelection));
    m_list->setFocus();
}

bool TMyReport::readSelected() {
    const int index = selectedIndex();
    if (index < 0) {
        refuseNoSelection();
        return false;
    }
    try {
        m_current = ReportFile(m_services.programDirectory).read(index);
    } catch (const ReportFileError &) {
        m_services.prompter.beep(Prompter::Icon::Error);
        m_services.prompter.error(QLatin1String(repselect::kNoFormat));
        m_list->setFocus();
        return false;
    }
    return true;
}

int TMyReport::execWindow(QDialog &window) {
    if (onWindow)
        onWindow(&window);
    return window.exec();
}

void TMyReport::DoIt(OutputMode mode, const QString &textFile) {
    Prompter &prompter = m_services.prompter;
    const bool entire = m_entire->isChecked();
    if (!readSelected())
        return;

    reports::ReportJob job;
    job.mode = mode;
    QPrinter *printer = prompter.printer();
    if (mode == OutputMode::Printer) {
        if (!printer) {
            prompter.error(QLatin1String(reports::kNoPrintersText));
            return;
        }
        // Where the pages go: a printer, or a PDF file.
        if (!prompter.printDialog())
            return;
        job.printer = printer;
    } else if (printer) {
        // The pages are laid out on the paper the printer would take.
        job.paper = printer->pageLayout().pageSize();
    }
    job.textFileName = textFile;

    // The recording of a view run. A report of many thousand pages would not fit in memory
    // comfortably, so the pages go into a temporary file (memory when none can be made).
    std::unique_ptr<QIODevice> recording;
    if (mode == OutputMode::Preview) {
        auto file = std::make_unique<QTemporaryFile>();
        if (file->open()) {
            recording = std::move(file);
        } else {
            auto buffer = std::make_unique<QBuffer>();
            buffer->open(QIODevice::ReadWrite);
            recording = std::move(buffer);
        }
        job.recording = recording.get();
    }

    const bool restoreSearch = entire && m_services.searchInForce && m_services.searchInForce();
    if (restoreSearch)
        m_services.hooks.endSearch();

    bool cancelled = true;
    {
        auto engine = job.makeEngine(m_current, &prompter);
        reports::ReportProduction production(*engine, m_current, m_services.table,
                                             m_services.settings, mode);
        production.setTextFileName(job.textFileName);
        TReportForm form(*engine, production, prompter, m_services.look(), this);
        if (onWindow)
            onWindow(&form);
        cancelled = form.Run();
    }

    if (mode == OutputMode::Preview && !cancelled) {
        const reports::RecordedPages pages(*recording);
        TMyPreview preview(pages, m_services.settings, prompter, m_services.look(), m_current.name,
                           this);
        execWindow(preview);
    }
    recording.reset();

    if (restoreSearch) {
        m_services.hooks.enableEndSearch();
        m_services.hooks.setViewerOptions();
        m_services.hooks.displayCount();
    }
}

void TMyReport::ViewButtonClick() {
    DoIt(OutputMode::Preview);
}

void TMyReport::PrintButtonClick() {
    DoIt(OutputMode::Printer);
}

void TMyReport::FileButtonClick() {
    // Without a selection there is nothing to ask a file name for.
    if (selectedIndex() < 0) {
        refuseNoSelection();
        return;
    }
    const std::optional<QString> name =
        m_services.prompter.saveFileName(QStringLiteral("Save Report As a Text File"), QString(),
                                         QStringLiteral("Text Files (*.TXT)|*.TXT"));
    if (!name || name->isEmpty())
        return;
    QString path = *name;
    // The dialog's default extension.
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".TXT");
    DoIt(OutputMode::TextFile, path);
}

void TMyReport::InsButtonClick() {
    TMyInsurance dialog(m_services.settings, m_services.look(), this);
    execWindow(dialog);
}

void TMyReport::NewButtonClick() {
    m_current = urp::NewReportDefaults();
    TUserReport editor(m_current, true, -1, *this, m_services.settings, m_services.prompter,
                       m_services.programDirectory, m_services.look(), this);
    execWindow(editor);
}

void TMyReport::ModifyButtonClick() {
    // A definition that cannot be read is not opened: saving the editor's stale content over
    // its record would replace it with another report.
    if (!readSelected())
        return;
    TUserReport editor(m_current, false, selectedIndex(), *this, m_services.settings,
                       m_services.prompter, m_services.programDirectory, m_services.look(), this);
    execWindow(editor);
}

void TMyReport::HelpButtonClick() {
    m_services.prompter.showHelp(QStringLiteral("Report Window"));
}
