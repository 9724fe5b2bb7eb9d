#include "reports/ui/t_user_report.h"

#include "core/prompter.h"
#include "reports/report_file.h"
#include "reports/ui/t_rep_layout.h"
#include "reports/ui/t_report_fonts.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <stdexcept>

using namespace reportedit;

namespace {

QLineEdit *makeEdit(QWidget *parent, const char *name, int maxLength, QRect at) {
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(maxLength);
    e->setGeometry(at);
    return e;
}

QLabel *makeLabel(QWidget *parent, const char *name, const char *text, QRect at,
                  QWidget *buddy = nullptr) {
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(at);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const char *text, QRect at) {
    auto *c = new QCheckBox(QString::fromUtf8(text), parent);
    c->setObjectName(QLatin1String(name));
    c->setGeometry(at);
    return c;
}

QPushButton *makeButton(QWidget *parent, const char *name, const char *text, QRect at) {
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(at);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TUserReport::TUserReport(ReportDefinition &current, bool isNew, int recordIndex,
                         ReportListHost &list, Settings &settings, Prompter &prompter,
                         QString programDirectory, FormLook look, QWidget *parent)
    : QDialog(parent), m_def(current), m_new(isNew), m_index(recordIndex), m_list(list),
      m_settings(settings), m_prompter(prompter), m_directory(std::move(programDirectory)),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("UserReport"));
    setWindowTitle(QStringLiteral("Report Definition"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_name = makeEdit(this, "ReportName", urp::kNameCapacity, {110, 10, 230, 22});
    makeLabel(this, "Label1", "Report &Name:", {12, 10, 96, 22}, m_name);

    auto *titles = new QGroupBox(QStringLiteral("Report Titles"), this);
    titles->setObjectName(QStringLiteral("GroupBox1"));
    titles->setGeometry(8, 40, 584, 104);
    const char *const titleNames[3] = {"Title1", "Title2", "Title3"};
    const char *const titleLabels[3] = {"Line &1:", "Line &2:", "Line &3:"};
    const char *const titleLabelNames[3] = {"Label2", "Label3", "Label4"};
    for (int i = 0; i < 3; ++i) {
        auto *edit =
            makeEdit(titles, titleNames[i], urp::kTitleCapacity, {60, 20 + i * 27, 512, 22});
        makeLabel(titles, titleLabelNames[i], titleLabels[i], {10, 20 + i * 27, 48, 22}, edit);
        m_titles[static_cast<std::size_t>(i)] = edit;
    }

    auto *chars = new QGroupBox(QStringLiteral("Characters Per Line"), this);
    chars->setObjectName(QStringLiteral("GroupBox2"));
    chars->setGeometry(8, 150, 150, 104);
    m_chars90 = new QRadioButton(QStringLiteral("&90 Characters"), chars);
    m_chars90->setObjectName(QStringLiteral("Chars90"));
    m_chars90->setGeometry(10, 20, 134, 22);
    m_chars120 = new QRadioButton(QStringLiteral("12&0 Characters"), chars);
    m_chars120->setObjectName(QStringLiteral("Chars120"));
    m_chars120->setGeometry(10, 46, 134, 22);
    m_chars150 = new QRadioButton(QStringLiteral("150 Characters"), chars);
    m_chars150->setObjectName(QStringLiteral("Chars150"));
    m_chars150->setGeometry(10, 72, 134, 22);
    auto *charsGroup = new QButtonGroup(this);
    charsGroup->addButton(m_chars90);
    charsGroup->addButton(m_chars120);
    charsGroup->addButton(m_chars150);
    connect(m_chars90, &QRadioButton::clicked, this, &TUserReport::Chars90Click);
    connect(m_chars120, &QRadioButton::clicked, this, &TUserReport::Chars120Click);
    connect(m_chars150, &QRadioButton::clicked, this, &TUserReport::Chars150Click);

    auto *options = new QGroupBox(QStringLiteral("Report Options"), this);
    options->setObjectName(QStringLiteral("GroupBox3"));
    options->setGeometry(166, 150, 270, 130);
    m_columnHeaders = makeCheck(options, "ColumnHeaders", "Column &Headers", {10, 20, 128, 22});
    m_pageNumbers = makeCheck(options, "PageNumbers", "&Page Numbers", {10, 46, 128, 22});
    m_dateOnPage = makeCheck(options, "DateOnPage", "&Date On Pages", {10, 72, 128, 22});
    m_useTotals = makeCheck(options, "UseTotals", "Use &Totals", {10, 98, 128, 22});
    m_landscape = makeCheck(options, "LandOrient", "&Landscape", {140, 20, 124, 22});
    m_vertLines = makeCheck(options, "VertLines", "&Vertical Lines", {140, 46, 124, 22});
    m_horzLines = makeCheck(options, "HorzLines", "H&orizontal Lines", {140, 72, 124, 22});

    auto *grouping = new QGroupBox(QStringLiteral("Grouping"), this);
    grouping->setObjectName(QStringLiteral("GroupBox4"));
    grouping->setGeometry(444, 150, 148, 78);
    m_level1 = makeCheck(grouping, "Level1Group", "Level &1 Sort", {10, 20, 132, 22});
    m_level2 = makeCheck(grouping, "Level2Group", "Level &2 Sort", {10, 46, 132, 22});
    connect(m_level1, &QCheckBox::clicked, this, &TUserReport::Level1GroupClick);

    m_numLines = makeEdit(this, "NumLines", 2, {552, 236, 40, 22});
    makeLabel(this, "Label5", "Lines per &Item:", {444, 236, 106, 22}, m_numLines);

    auto *margins = new QGroupBox(QStringLiteral("Margins (Inches)"), this);
    margins->setObjectName(QStringLiteral("GroupBox5"));
    margins->setGeometry(8, 286, 150, 130);
    const char *const marginNames[4] = {"TopMargin", "BottomMargin", "LeftMargin", "RightMargin"};
    const char *const marginLabels[4] = {"To&p:", "&Bottom:", "L&eft:", "&Right:"};
    const char *const marginLabelNames[4] = {"Label6", "Label7", "Label8", "Label9"};
    for (int i = 0; i < 4; ++i) {
        auto *edit = makeEdit(margins, marginNames[i], 5, {74, 20 + i * 26, 60, 22});
        makeLabel(margins, marginLabelNames[i], marginLabels[i], {10, 20 + i * 26, 62, 22}, edit);
        m_margins[static_cast<std::size_t>(i)] = edit;
    }

    auto *fonts = new QGroupBox(QStringLiteral("Report Fonts"), this);
    fonts->setObjectName(QStringLiteral("GroupBox6"));
    fonts->setGeometry(166, 286, 426, 130);
    const char *const fontNames[4] = {"TitleLineFont", "ColumnHeaderFont", "RepBodyDataFont",
                                      "FootnoteFont"};
    const char *const fontLabels[4] = {"Titles:", "Column Headers:", "Report Body:", "Footnotes:"};
    const char *const fontLabelNames[4] = {"Label10", "Label11", "Label12", "Label13"};
    for (int i = 0; i < 4; ++i) {
        auto *edit = makeEdit(fonts, fontNames[i], 80, {114, 20 + i * 26, 200, 22});
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
        makeLabel(fonts, fontLabelNames[i], fontLabels[i], {10, 20 + i * 26, 102, 22});
        m_fontBoxes[static_cast<std::size_t>(i)] = edit;
    }
    m_setFonts = makeButton(fonts, "SetFonts", "&Set Fonts", {322, 20, 94, 27});
    connect(m_setFonts, &QPushButton::clicked, this, &TUserReport::SetFontsClick);

    const int top = 428;
    m_specify = makeButton(this, "SpecifyButton", "&Specify Report Content", {8, top, 150, 30});
    m_update = makeButton(this, "UpdateButton", "&Update", {196, top, 90, 30});
    m_cancel = makeButton(this, "CancelButton", "&Cancel", {294, top, 90, 30});
    m_delete = makeButton(this, "DeleteButton", "&Delete", {392, top, 90, 30});
    m_help = makeButton(this, "HelpButton", "&Help", {502, top, 90, 30});
    connect(m_specify, &QPushButton::clicked, this, &TUserReport::SpecifyButtonClick);
    connect(m_update, &QPushButton::clicked, this, &TUserReport::UpdateButtonClick);
    connect(m_cancel, &QPushButton::clicked, this, &TUserReport::CancelButtonClick);
    connect(m_delete, &QPushButton::clicked, this, &TUserReport::DeleteButtonClick);
    connect(m_help, &QPushButton::clicked, this, &TUserReport::HelpButtonClick);

    m_name->installEventFilter(this);
    m_numLines->installEventFilter(this);
    for (QLineEdit *e : m_margins)
        e->installEventFilter(this);

    resize(600, top + 42);
}

bool TUserReport::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_name)
            ReportNameExit();
        else if (watched == m_numLines ||
                 std::find(m_margins.begin(), m_margins.end(), watched) != m_margins.end())
            NumLinesExit();
    }
    return QDialog::eventFilter(watched, event);
}

void TUserReport::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TUserReport::FormShow() {
    ShowScaled(this, m_look);
    SetColors(this, m_settings.colorSet(ColorTarget::Report));
    const EditorValues v = ValuesOf(m_def);
    m_name->setText(v.name);
    for (std::size_t i = 0; i < 3; ++i)
        m_titles[i]->setText(v.titles[i]);
    m_numLines->setText(v.numLines);
    for (std::size_t i = 0; i < 4; ++i)
        m_margins[i]->setText(v.margins[i]);
    checkChars(v.charsPerLine);
    m_columnHeaders->setChecked(v.columnHeaders);
    m_pageNumbers->setChecked(v.pageNumbers);
    m_landscape->setChecked(v.landscape);
    m_dateOnPage->setChecked(v.dateOnPage);
    m_useTotals->setChecked(v.useTotals);
    m_horzLines->setChecked(v.horzLines);
    m_vertLines->setChecked(v.vertLines);
    m_level1->setChecked(v.level1Group);
    m_level2->setChecked(v.level2Group);
    showFonts();
    enableSingleLineControls(m_def.numLines);
    m_level2->setEnabled(m_level1->isChecked());
    m_delete->setEnabled(!m_new);
    m_nameAtOpening = m_def.name;
    m_name->setFocus();
}

void TUserReport::showFonts() {
    const int numbers[4] = {urp::kTitleFont, urp::kHeaderFont, urp::kBodyFont, urp::kFootnoteFont};
    for (std::size_t i = 0; i < 4; ++i)
        m_fontBoxes[i]->setText(FontBoxText(m_def.font(numbers[i])));
}

void TUserReport::enableSingleLineControls(int numLines) {
    const bool on = SingleLineControlsEnabled(numLines);
    m_columnHeaders->setEnabled(on);
    m_horzLines->setEnabled(on);
    m_vertLines->setEnabled(on);
}

int TUserReport::shownChars() const {
    return m_chars150->isChecked() ? 150 : m_chars120->isChecked() ? 120 : 90;
}

void TUserReport::checkChars(int chars) {
    (chars == 150 ? m_chars150 : chars == 120 ? m_chars120 : m_chars90)->setChecked(true);
}

EditorValues TUserReport::values() const {
    EditorValues v;
    v.name = m_name->text();
    for (std::size_t i = 0; i < 3; ++i)
        v.titles[i] = m_titles[i]->text();
    v.numLines = m_numLines->text();
    for (std::size_t i = 0; i < 4; ++i)
        v.margins[i] = m_margins[i]->text();
    v.charsPerLine = shownChars();
    v.columnHeaders = m_columnHeaders->isChecked();
    v.pageNumbers = m_pageNumbers->isChecked();
    v.landscape = m_landscape->isChecked();
    v.dateOnPage = m_dateOnPage->isChecked();
    v.useTotals = m_useTotals->isChecked();
    v.horzLines = m_horzLines->isChecked();
    v.vertLines = m_vertLines->isChecked();
    v.level1Group = m_level1->isChecked();
    v.level2Group = m_level2->isChecked();
    return v;
}

void TUserReport::SaveOutVars() {
    reportedit::SaveOutVars(values(), m_def);
}

bool TUserReport::NumLinesOk() {
    const int lines = LeadingInt(m_numLines->text());
    if (!NumLinesInRange(lines)) {
        m_prompter.beep(Prompter::Icon::Information);
        m_prompter.message(QStringLiteral("Notice"), QLatin1String(kNumLinesNotice), Prompter::Ok,
                           Prompter::Ok, Prompter::Icon::Information);
        m_numLines->setFocus();
        return false;
    }
    m_def.numLines = lines;
    m_numLines->setText(QString::number(lines));
    return true;
}

void TUserReport::NumLinesExit() {
    m_def.numLines = LeadingInt(m_numLines->text());
    m_numLines->setText(QString::number(m_def.numLines));
    enableSingleLineControls(m_def.numLines);
}

void TUserReport::ReportNameExit() {
    if (m_new)
        return;
    m_def.name = m_name->text().trimmed().left(urp::kNameCapacity);
    m_delete->setEnabled(m_def.name == m_nameAtOpening);
}

void TUserReport::fileError(const std::exception &e) {
    m_prompter.error(QString::fromStdString(e.what()));
}

void TUserReport::UpdateButtonClick() {
    if (!NumLinesOk())
        return;
    SaveOutVars();
    if (!m_new && m_def.name != m_nameAtOpening) {
        m_prompter.beep(Prompter::Icon::Warning);
        // Yes is the default: it keeps the old definition as well as the new one.
        const Prompter::Button answer =
            m_prompter.message(QStringLiteral("Warning"), QLatin1String(kRenameQuestion),
                               Prompter::Yes | Prompter::No | Prompter::Cancel, Prompter::Yes,
                               Prompter::Icon::Warning);
        if (answer == Prompter::Cancel)
            return;
        if (answer == Prompter::Yes)
            m_new = true;
    }
    ReportFile file(m_directory);
    int index = m_index;
    try {
        if (m_new)
            index = file.append(m_def);
        else
            file.overwrite(m_index, m_def);
    } catch (const std::runtime_error &e) {
        fileError(e);
        return;
    }
    // The list is read again from the file, so that it shows what the file now holds even
    // if it was changed behind the program's back.
    m_list.LoadReportBox();
    m_list.SelectReport(index);
    accept();
}

void TUserReport::DeleteButtonClick() {
    m_prompter.beep(Prompter::Icon::Warning);
    if (m_prompter.message(QStringLiteral("Warning"), QLatin1String(kDeleteQuestion),
                           Prompter::Yes | Prompter::No, Prompter::No,
                           Prompter::Icon::Warning) != Prompter::Yes)
        return;
    try {
        ReportFile(m_directory).remove(m_index);
    } catch (const std::runtime_error &e) {
        fileError(e);
        return;
    }
    m_list.LoadReportBox();
    accept();
}

void TUserReport::CancelButtonClick() {
    reject();
}

void TUserReport::switchChars(int to) {
    const int from = m_def.charsPerLine;
    if (from == to)
        return;
    const CharsSwitch plan = PlanCharsSwitch(from, to);
    if (plan.question) {
        m_prompter.beep(Prompter::Icon::Warning);
        if (m_prompter.message(QStringLiteral("Warning"), *plan.question,
                               Prompter::Yes | Prompter::No, Prompter::No,
                               Prompter::Icon::Warning) != Prompter::Yes) {
            checkChars(from);
            return;
        }
    }
    SwitchCharsPerLine(m_def, to);
    checkChars(to);
    showFonts();
    if (plan.notice)
        m_prompter.message(QStringLiteral("Notice"), *plan.notice, Prompter::Ok, Prompter::Ok,
                           Prompter::Icon::Information);
}

void TUserReport::Chars90Click() {
    switchChars(90);
}

void TUserReport::Chars120Click() {
    switchChars(120);
}

void TUserReport::Chars150Click() {
    switchChars(150);
}

void TUserReport::Level1GroupClick() {
    m_level2->setEnabled(m_level1->isChecked());
}

void TUserReport::SetFontsClick() {
    TReportFonts fonts(m_def, m_settings, m_prompter, m_look, this);
    if (onWindow)
        onWindow(&fonts);
    fonts.exec();
    showFonts();
}

void TUserReport::SpecifyButtonClick() {
    if (!NumLinesOk())
        return;
    TRepLayout layout(m_def, m_settings, m_prompter, shownChars(), m_useTotals->isChecked(), m_look,
                      this);
    if (onWindow)
        onWindow(&layout);
    layout.exec();
}

void TUserReport::HelpButtonClick() {
    m_prompter.showHelp(QStringLiteral("User Defined Reports"));
}
