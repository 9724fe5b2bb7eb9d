#include "reports/ui/t_user_report.h"

#include "report_ui_fixture.h"
#include "reports/line_widths.h"
#include "reports/ui/t_rep_layout.h"
#include "reports/ui/t_report_fonts.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace {

using namespace reportui;

class FakeList : public ReportListHost {
public:
    void LoadReportBox() override { ++loads; }
    void SelectReport(int index) override { selected = index; }
    int loads = 0;
    int selected = -2;
};

class DefinitionEditorTest : public ReportWindowTest {
protected:
    int records() const override { return 3; }

    // The editor over definition `index` of the file, as Modify Report opens it, shown.
    std::unique_ptr<TUserReport> openExisting(int index) {
        m_current = ReportFile(m_programDir).read(index);
        return show(std::make_unique<TUserReport>(m_current, false, index, m_list, m_settings,
                                                  m_prompter, m_programDir, FormLook{}));
    }
    std::unique_ptr<TUserReport> openNew() {
        m_current = urp::NewReportDefaults();
        return show(std::make_unique<TUserReport>(m_current, true, -1, m_list, m_settings,
                                                  m_prompter, m_programDir, FormLook{}));
    }
    static std::unique_ptr<TUserReport> show(std::unique_ptr<TUserReport> editor) {
        editor->show();
        QCoreApplication::processEvents();
        return editor;
    }
    template <typename T> static T *child(QWidget *w, const char *name) {
        T *found = w->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QLineEdit *edit(QWidget *w, const char *name) { return child<QLineEdit>(w, name); }
    // Leaves a box as the user would by moving on.
    static void leave(QWidget *box) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box, &out);
    }
    static std::vector<int> widths(const ReportLine &line) { return LineWidths(line); }

    FakeList m_list;
    ReportDefinition m_current;
};

TEST_F(DefinitionEditorTest, ShowsTheDefinition) {
    auto editor = openExisting(1); // Short Wide Report
    EXPECT_EQ(editor->windowTitle(), u"Report Definition");
    EXPECT_EQ(edit(editor.get(), "ReportName")->text(), u"Short Wide Report");
    EXPECT_EQ(edit(editor.get(), "NumLines")->text(), u"1");
    EXPECT_EQ(edit(editor.get(), "LeftMargin")->text(), u"0.50");
    EXPECT_TRUE(child<QRadioButton>(editor.get(), "Chars120")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(editor.get(), "VertLines")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(editor.get(), "Level1Group")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(editor.get(), "Level2Group")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(editor.get(), "Level2Group")->isEnabled());
    EXPECT_EQ(edit(editor.get(), "RepBodyDataFont")->text(), u"Arial 8pt");
    EXPECT_TRUE(child<QPushButton>(editor.get(), "DeleteButton")->isEnabled());

    child<QCheckBox>(editor.get(), "Level1Group")->click();
    EXPECT_FALSE(child<QCheckBox>(editor.get(), "Level2Group")->isEnabled());
    child<QPushButton>(editor.get(), "HelpButton")->click();
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{QStringLiteral("User Defined Reports")});
}

TEST_F(DefinitionEditorTest, RenameAnsweredYesAppendsACopyAndKeepsTheOld) {
    const QByteArray before = urpBytes();
    auto editor = openExisting(2);
    edit(editor.get(), "ReportName")->setText(QStringLiteral("Medium, Renamed"));
    m_prompter.answers.push_back(Prompter::Yes);
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, u"Warning");
    EXPECT_TRUE(m_prompter.asked[0].text.startsWith(u"Report Title has changed!"));
    EXPECT_EQ(m_prompter.asked[0].buttons, Prompter::Yes | Prompter::No | Prompter::Cancel);
    EXPECT_FALSE(editor->isVisible());
    const QByteArray after = urpBytes();
    ASSERT_EQ(after.size(), before.size() + urp::kRecordSize);
    EXPECT_EQ(after.left(before.size()), before); // the old definitions are untouched
    ReportDefinition expected = urp::BuiltInDefinitions()[2];
    expected.name = QStringLiteral("Medium, Renamed");
    EXPECT_EQ(ReportFile(m_programDir).read(8), expected);
    EXPECT_EQ(m_list.selected, 8);
    EXPECT_EQ(m_list.loads, 1);
}

TEST_F(DefinitionEditorTest, RenameAnsweredNoOverwritesAndCancelChangesNothing) {
    const QByteArray before = urpBytes();
    auto editor = openExisting(2);
    edit(editor.get(), "ReportName")->setText(QStringLiteral("Medium, Renamed"));
    m_prompter.answers.push_back(Prompter::Cancel);
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(urpBytes(), before);
    EXPECT_EQ(m_list.loads, 0);

    m_prompter.answers.push_back(Prompter::No);
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    EXPECT_FALSE(editor->isVisible());
    const QByteArray after = urpBytes();
    ASSERT_EQ(after.size(), before.size());
    const int at = 2 * urp::kRecordSize;
    EXPECT_EQ(after.left(at), before.left(at));
    EXPECT_EQ(after.mid(at + urp::kRecordSize), before.mid(at + urp::kRecordSize));
    EXPECT_EQ(ReportFile(m_programDir).read(2).name, u"Medium, Renamed");
    EXPECT_EQ(m_list.selected, 2);
}

TEST_F(DefinitionEditorTest, TheNumberOfLinesIsCheckedOnUpdateButStoredOnLeavingTheBox) {
    const QByteArray before = urpBytes();
    auto editor = openExisting(4);
    QLineEdit *lines = edit(editor.get(), "NumLines");
    lines->setText(QStringLiteral("13"));
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, u"Notice");
    EXPECT_EQ(m_prompter.asked[0].text,
              u"Number of lines must be in range of 0 to 12.  Please correct.");
    EXPECT_EQ(m_prompter.beeps.size(), 1u);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(urpBytes(), before);

    // The layout editor is not opened either.
    int layouts = 0;
    editor->onWindow = [&](QDialog *) { ++layouts; };
    child<QPushButton>(editor.get(), "SpecifyButton")->click();
    EXPECT_EQ(layouts, 0);
    EXPECT_EQ(m_prompter.asked.size(), 2u);

    leave(lines);
    EXPECT_EQ(m_current.numLines, 13);
    EXPECT_EQ(m_prompter.asked.size(), 2u); // leaving the box says nothing

    lines->setText(QStringLiteral("12"));
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReportFile(m_programDir).read(4).numLines, 12);
}

TEST_F(DefinitionEditorTest, TwoOrMoreLinesDisableTheSingleLineBoxesButKeepTheirValues) {
    auto editor = openExisting(0); // one line, vertical and horizontal lines on
    auto *vert = child<QCheckBox>(editor.get(), "VertLines");
    EXPECT_TRUE(vert->isEnabled());
    edit(editor.get(), "NumLines")->setText(QStringLiteral("3"));
    leave(edit(editor.get(), "NumLines"));
    EXPECT_FALSE(vert->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(editor.get(), "ColumnHeaders")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(editor.get(), "HorzLines")->isEnabled());
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    const ReportDefinition saved = ReportFile(m_programDir).read(0);
    EXPECT_EQ(saved.numLines, 3);
    EXPECT_TRUE(saved.vertLines);
    EXPECT_TRUE(saved.horzLines);
    EXPECT_TRUE(saved.columnHeaders);
}

TEST_F(DefinitionEditorTest, SwitchingCharactersRefitsTheBodyLinesAfterTheQuestion) {
    auto editor = openNew();
    // A 150-character definition with a line of 100 + 40 + 10.
    child<QRadioButton>(editor.get(), "Chars150")->click();
    ASSERT_EQ(m_current.charsPerLine, 150);
    EXPECT_EQ(m_prompter.last().text,
              u"The Report Body font size has been set to a 6 Point default size as a result of "
              u"switching to 150 characters per line.");
    EXPECT_EQ(edit(editor.get(), "RepBodyDataFont")->text(), u"Courier New 6pt");
    m_current.body[0] = EmptyReportLine();
    m_current.body[0][0] = ReportPart::field(1, 100);
    m_current.body[0][1] = ReportPart::field(5, 40);
    m_current.body[0][2] = ReportPart::labelPart(QStringLiteral("x"), 10);

    // No keeps 150 and the lines.
    m_prompter.answers.push_back(Prompter::No);
    child<QRadioButton>(editor.get(), "Chars120")->click();
    EXPECT_TRUE(m_prompter.last().text.startsWith(u"Switching to 120 characters from 150"));
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    EXPECT_TRUE(child<QRadioButton>(editor.get(), "Chars150")->isChecked());
    EXPECT_EQ(widths(m_current.body[0]), (std::vector<int>{100, 40, 10}));

    m_prompter.answers.push_back(Prompter::Yes);
    child<QRadioButton>(editor.get(), "Chars120")->click();
    EXPECT_EQ(m_prompter.last().text,
              u"The Report Body font size has been set to a 8 Point default size as.");
    EXPECT_EQ(widths(m_current.body[0]), (std::vector<int>{100, 20}));
    EXPECT_EQ(edit(editor.get(), "RepBodyDataFont")->text(), u"Courier New 8pt");

    const std::size_t asked = m_prompter.asked.size();
    child<QRadioButton>(editor.get(), "Chars150")->click(); // never asks
    EXPECT_EQ(m_prompter.asked.size(), asked + 1);
    EXPECT_EQ(widths(m_current.body[0]), (std::vector<int>{100, 20, 30}));
    EXPECT_EQ(m_current.body[0][2].label, u"x");

    m_prompter.answers.push_back(Prompter::Yes);
    child<QRadioButton>(editor.get(), "Chars90")->click();
    EXPECT_TRUE(m_prompter.last().text.startsWith(u"Switching to 90 characters"));
    EXPECT_EQ(widths(m_current.body[0]), (std::vector<int>{90}));
    EXPECT_EQ(m_current.font(urp::kBodyFont).size, 10);
}

TEST_F(DefinitionEditorTest, DeleteAsksAndIsOffForNewAndRenamedDefinitions) {
    auto fresh = openNew();
    EXPECT_FALSE(child<QPushButton>(fresh.get(), "DeleteButton")->isEnabled());
    fresh->close();

    auto editor = openExisting(3);
    auto *del = child<QPushButton>(editor.get(), "DeleteButton");
    edit(editor.get(), "ReportName")->setText(QStringLiteral("Other"));
    leave(edit(editor.get(), "ReportName"));
    EXPECT_FALSE(del->isEnabled());
    edit(editor.get(), "ReportName")->setText(QStringLiteral(" Medium Large Report "));
    leave(edit(editor.get(), "ReportName"));
    EXPECT_TRUE(del->isEnabled());

    m_prompter.answers.push_back(Prompter::No);
    del->click();
    EXPECT_EQ(m_prompter.last().text, u"Are you sure you want to delete this report?");
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    EXPECT_EQ(ReportFile(m_programDir).count(), 8);
    EXPECT_TRUE(editor->isVisible());

    m_prompter.answers.push_back(Prompter::Yes);
    del->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReportFile(m_programDir).listNames().indexOf(u"Medium Large Report"), -1);
    EXPECT_EQ(ReportFile(m_programDir).count(), 7);
    EXPECT_EQ(m_list.loads, 1);
}

TEST_F(DefinitionEditorTest, CancelWritesNothing) {
    const QByteArray before = urpBytes();
    auto editor = openExisting(5);
    edit(editor.get(), "Title1")->setText(QStringLiteral("Changed"));
    child<QPushButton>(editor.get(), "CancelButton")->click();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(urpBytes(), before);
    EXPECT_EQ(m_list.loads, 0);
}

TEST_F(DefinitionEditorTest, FontsComeFromTheFontDialogIntoTheDefinition) {
    auto editor = openExisting(0);
    FontSpec chosen{QStringLiteral("Liberation Serif"), 14};
    chosen.bold = true;
    chosen.color = 0x0000FF;
    m_prompter.fonts.push_back(chosen);
    m_prompter.fonts.push_back(std::nullopt); // the footnote font dialog cancelled
    editor->onWindow = [&](QDialog *window) {
        ASSERT_NE(qobject_cast<TReportFonts *>(window), nullptr);
        QTimer::singleShot(0, window, [window] {
            EXPECT_EQ(window->windowTitle(), u"Report Fonts");
            EXPECT_EQ(window->findChild<QLineEdit *>(QStringLiteral("BodyFont"))->text(),
                      u"Arial 10pt");
            window->findChild<QPushButton *>(QStringLiteral("ColumnFontButton"))->click();
            EXPECT_EQ(window->findChild<QLineEdit *>(QStringLiteral("ColumnFont"))->text(),
                      u"Liberation Serif 14pt");
            window->findChild<QPushButton *>(QStringLiteral("FootnoteFontButton"))->click();
            window->findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
        });
    };
    child<QPushButton>(editor.get(), "SetFonts")->click();
    EXPECT_EQ(edit(editor.get(), "ColumnHeaderFont")->text(), u"Liberation Serif 14pt");
    EXPECT_EQ(m_current.font(urp::kHeaderFont), chosen);
    EXPECT_EQ(m_current.font(urp::kFootnoteFont).name, u"Arial");
    child<QPushButton>(editor.get(), "UpdateButton")->click();
    EXPECT_EQ(ReportFile(m_programDir).read(0).font(urp::kHeaderFont), chosen);
}

TEST_F(DefinitionEditorTest, SpecifyOpensTheLayoutWithTheEditorsWidthAndTotalsBox) {
    auto editor = openExisting(1); // 120 characters, totals on
    child<QCheckBox>(editor.get(), "UseTotals")->setChecked(false);
    bool seen = false;
    editor->onWindow = [&](QDialog *window) {
        auto *layout = qobject_cast<TRepLayout *>(window);
        ASSERT_NE(layout, nullptr);
        seen = true;
        // The totals row is hidden with the box unchecked: a click there finds nothing.
        EXPECT_FALSE(layout->CalcPosition(100, 360).valid());
        EXPECT_EQ(layout->CalcPosition(100, 80).line, 1);
        QTimer::singleShot(0, window, [window] { window->reject(); });
    };
    child<QPushButton>(editor.get(), "SpecifyButton")->click();
    EXPECT_TRUE(seen);
}

} // namespace
