#include "edit/record_editor.h"

#include "db/inventory_fixture.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using editor::Control;
using editor::FormValues;
using editor::RecordEditor;
using picklists::List;

const QString kDataChangedNew =
    QStringLiteral("Data has changed.  Update this record before creating new one?");

class RecordEditorTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ResetDateFormat();
        SetCurrentRegional(RegionalValues());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path);
        m_lists.setProgramDirectory(m_dir.path());
    }
    void TearDown() override {
        ResetDateFormat();
        SetCurrentRegional(RegionalValues());
    }

    // Adds a record through the data set with the given texts.
    void addRecord(const std::map<int, QString> &fields) {
        m_table.insert();
        for (const auto &[f, text] : fields)
            m_table.setText(f, text);
        m_table.post();
    }

    // The editor shown on the first record, as the main window's Edit command does.
    FormValues showFirst() {
        m_table.first();
        m_editor.setEditMode(editor::kCurrentRecord);
        return m_editor.FormShow();
    }

    // A filled form for a new record.
    static FormValues form(const QString &item) {
        FormValues v;
        editor::DoClear(v);
        v[Control::Item] = item;
        return v;
    }

    QString stored(int fieldIndex) {
        MyTable reader;
        reader.open(m_path, MyTable::OpenMode::ReadOnly);
        reader.last();
        return reader.text(fieldIndex);
    }
    int recordsOnDisk() {
        MyTable reader;
        reader.open(m_path, MyTable::OpenMode::ReadOnly);
        return static_cast<int>(reader.recordCount());
    }

    void elsewhere(const std::function<void(MyTable &)> &change) {
        fixture::InOtherProcess(m_path, change);
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    ScriptedPrompter m_prompter;
    picklists::PickLists m_lists;
    RecordEditor m_editor{m_table, m_settings, m_lists, m_prompter};
};

TEST_F(RecordEditorTest, LoadShowsTheRecordInTheUsersFormats) {
    addRecord({{field::Item, "Radio"},
               {field::Warranty, "yes"},
               {field::Cost, "1250.5"},
               {field::Quantity, "1200"},
               {field::PurchDate, "7/5/96"}});
    const FormValues v = showFirst();
    EXPECT_EQ(v[Control::Item], QStringLiteral("Radio"));
    EXPECT_FALSE(v.warranty) << "only \"Yes\" in that case checks the box";
    EXPECT_EQ(v[Control::Cost], QStringLiteral("1,250.50"));
    EXPECT_EQ(v[Control::Quantity], QStringLiteral("1,200"));
    EXPECT_EQ(v[Control::Value], QString()) << "an empty amount stays empty";
    EXPECT_EQ(v[Control::PurchDate], QStringLiteral(" 7/ 5/1996"))
        << "dates show their four-digit year, so reading them back cannot move the century";
    EXPECT_EQ(v[Control::WarDate], QStringLiteral("  /  /    "));
    EXPECT_EQ(m_editor.caption(), QStringLiteral("Edit"));
    EXPECT_FALSE(m_editor.ValuesChanged(v));

    // Stored again untouched, the warranty becomes "No" and nothing else moves.
    ASSERT_TRUE(m_editor.DoAnUpdate(v).done);
    EXPECT_EQ(stored(field::Warranty), QStringLiteral("No"));
    EXPECT_EQ(stored(field::PurchDate), QStringLiteral("7/5/96"));
    EXPECT_EQ(stored(field::Quantity), QStringLiteral("1200"));
    EXPECT_EQ(recordsOnDisk(), 1);

    ApplyDateFormat(12, true);
    EXPECT_EQ(editor::DateBoxText(QDate(1996, 7, 5)), QStringLiteral("05.07.1996"));
    ApplyDateFormat(4, false);
    EXPECT_EQ(editor::DateBoxText(QDate(1950, 12, 1)), QStringLiteral(" 1/12/1950"));
}

TEST_F(RecordEditorTest, TwelveHundredFiftyPointFiveUnderBothNotations) {
    FormValues v = form("Lamp");
    v[Control::Cost] = QStringLiteral("1,250.50");
    ASSERT_TRUE(m_editor.DoUpdate(v).done) << m_prompter.last().text.toStdString();
    EXPECT_EQ(m_table.number(field::Cost), 1250.5);

    RegionalValues comma;
    comma.sDecimal = QChar(u',');
    comma.sThousand = QChar(u'.');
    SetCurrentRegional(comma);
    m_settings.currencyFormat = kFormatWindows;
    m_editor.setEditMode(editor::kNewRecord);
    v[Control::Cost] = QStringLiteral("1.250,50");
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(m_table.number(field::Cost), 1250.5);
    EXPECT_EQ(editor::AmountExit(u"1.250,5", m_settings), QStringLiteral("1.250,50"));
    EXPECT_EQ(recordsOnDisk(), 2);
}

TEST_F(RecordEditorTest, DatesOfSeparatorsAreEmptyAndImpossibleDatesAreRefused) {
    FormValues v = form("Lamp");
    v[Control::WarDate] = QStringLiteral("  /  /    ");
    v[Control::PurchDate] = QStringLiteral("  -  -    ");
    EXPECT_TRUE(editor::IsBlankDate(v[Control::WarDate]));
    EXPECT_TRUE(editor::IsBlankDate(u" ..  "));
    EXPECT_FALSE(editor::IsBlankDate(u"."));
    EXPECT_FALSE(editor::IsBlankDate(u"/ 1/"));
    EXPECT_FALSE(editor::IsBlankDate(u"///"));
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(stored(field::WarDate), QString());
    EXPECT_EQ(stored(field::PurchDate), QString());

    m_editor.setEditMode(editor::kNewRecord);
    v[Control::WarDate] = QStringLiteral(" 2/31/2001");
    v[Control::PurchDate] = QStringLiteral("13/ 1/2001");
    v[Control::Cost] = QStringLiteral("abc");
    RecordEditor::Outcome out = m_editor.DoUpdate(v);
    EXPECT_FALSE(out.done);
    EXPECT_EQ(out.focus, Control::WarDate);
    ASSERT_EQ(m_prompter.asked.size(), 1u) << "only the first failed check speaks";
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid warranty date specified.  Please correct."));
    EXPECT_EQ(m_prompter.last().buttons, Prompter::Ok);

    v[Control::WarDate] = QStringLiteral("2/28/2001");
    out = m_editor.DoUpdate(v);
    EXPECT_EQ(out.focus, Control::PurchDate);
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid purchase date specified.  Please correct."));
    v[Control::PurchDate] = QString();
    EXPECT_EQ(m_editor.DoUpdate(v).focus, Control::Cost);
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Invalid cost specified.  Please correct."));
    EXPECT_EQ(recordsOnDisk(), 1) << "a refused update writes nothing";
    EXPECT_EQ(m_editor.editMode(), editor::kNewRecord) << "and leaves the mode";
}

TEST_F(RecordEditorTest, AmountsAndQuantityAreCheckedInOrderAndMustFitTheirFields) {
    FormValues v = form("Lamp");
    struct Case {
        Control control;
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {Control::Value, "1.2.3", "Invalid value specified.  Please correct."},
        {Control::RepCost, "$5", "Invalid replacement cost specified.  Please correct."},
        {Control::Quantity, "2.6", "Invalid quantity specified.  Please correct."},
        {Control::Cost, "1e15", "Invalid cost specified.  Please correct."},
        {Control::Quantity, "123456789012", "Invalid quantity specified.  Please correct."},
    };
    for (const Case &c : cases) {
        FormValues bad = v;
        bad[c.control] = QString::fromLatin1(c.text);
        const RecordEditor::Outcome out = m_editor.DoUpdate(bad);
        EXPECT_FALSE(out.done) << c.text;
        EXPECT_EQ(out.focus, c.control) << c.text;
        EXPECT_EQ(editor::InfoOf(*out.focus).page, editor::kWorthPage);
        EXPECT_EQ(m_prompter.last().text, QLatin1String(c.message));
    }
    EXPECT_EQ(recordsOnDisk(), 0);
    // Leaving the box rounds the quantity, and then it is stored.
    v[Control::Quantity] = editor::QuantityExit(u"2.6", m_settings);
    EXPECT_EQ(v[Control::Quantity], QStringLiteral("3"));
    EXPECT_EQ(editor::AmountExit(u"12abc", m_settings), QStringLiteral("12.00"));
    EXPECT_EQ(editor::AmountExit(u"", m_settings), QString());
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(stored(field::Quantity), QStringLiteral("3"));
}

TEST_F(RecordEditorTest, TotalsAreQuantityTimesEachAmount) {
    FormValues v = form("Chair");
    v[Control::Quantity] = QStringLiteral("3");
    v[Control::Value] = QStringLiteral("10");
    v[Control::Cost] = QStringLiteral("1,000.5");
    v[Control::RepCost] = QStringLiteral("");
    const editor::Totals t = editor::CalcTotals(v, m_settings);
    EXPECT_EQ(t.value, QStringLiteral("30.00 "));
    EXPECT_EQ(t.cost, QStringLiteral("3,001.50 "));
    EXPECT_EQ(t.repCost, QStringLiteral("0.00 "));
    m_settings.fieldNames[field::Item] = QStringLiteral("Thing");
    EXPECT_EQ(editor::ItemLine(m_settings, v), QStringLiteral("Thing: Chair"));
}

TEST_F(RecordEditorTest, ClearKeepsTheUserFieldsAndTheSavedValues) {
    addRecord({{field::Item, "Radio"}, {field::UserDef2, "kept"}, {field::Cost, "5"}});
    const FormValues shown = showFirst();
    const FormValues cleared = m_editor.Clear(shown);
    EXPECT_EQ(cleared[Control::Item], QString());
    EXPECT_EQ(cleared[Control::UserDef2], QStringLiteral("kept"));
    EXPECT_EQ(cleared[Control::Cost], QStringLiteral("0"));
    EXPECT_EQ(cleared[Control::Quantity], QStringLiteral("1"));
    EXPECT_EQ(m_editor.editMode(), editor::kCurrentRecord);
    EXPECT_EQ(m_editor.savedValues(), editor::SavedForm(shown));
    m_prompter.answers.push_back(Prompter::No);
    EXPECT_FALSE(m_editor.DoExit(cleared));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Warning"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Data has changed.  Do you want to exit without updating?"));
    EXPECT_EQ(m_prompter.last().buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    EXPECT_EQ(m_prompter.beeps.back(), Prompter::Icon::Question);
    EXPECT_TRUE(m_editor.DoExit(shown)) << "nothing changed: no question";
    EXPECT_EQ(m_prompter.asked.size(), 1u);
}

TEST_F(RecordEditorTest, DatesCompareTrimmedAndTextsExactly) {
    FormValues v = form("x");
    v[Control::WarDate] = QStringLiteral("  /  /    ");
    const FormValues saved = editor::SavedForm(v);
    FormValues now = v;
    now[Control::WarDate] = QStringLiteral("/  /");
    EXPECT_FALSE(editor::ValuesChanged(now, saved));
    now[Control::Item] = QStringLiteral("X");
    EXPECT_TRUE(editor::ValuesChanged(now, saved));
    now = v;
    now.warranty = true;
    EXPECT_TRUE(editor::ValuesChanged(now, saved));
}

TEST_F(RecordEditorTest, CopyThenPreviousAsksTheNotUpdatedQuestionAndNoStoresNothing) {
    addRecord({{field::Item, "First"}});
    addRecord({{field::Item, "Second"}});
    m_table.last();
    m_editor.setEditMode(editor::kCurrentRecord);
    FormValues v = m_editor.FormShow();
    ASSERT_TRUE(m_editor.CopyRecord(v).done);
    EXPECT_EQ(m_editor.caption(), QStringLiteral("Edit (New Copied Record)"));
    EXPECT_EQ(m_editor.editMode(), editor::kNewRecord);
    EXPECT_TRUE(m_prompter.asked.empty()) << "nothing changed yet";

    m_prompter.answers.push_back(Prompter::No);
    const RecordEditor::Outcome out = m_editor.MoveRecord(v, -1);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("This record has not been updated yet.  Update this record before "
                             "moving to the previous record?"));
    EXPECT_EQ(m_prompter.last().buttons, Prompter::Yes | Prompter::No | Prompter::Cancel);
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    ASSERT_TRUE(out.done);
    EXPECT_EQ((*out.show)[Control::Item], QStringLiteral("First"));
    EXPECT_EQ(m_editor.editMode(), editor::kCurrentRecord);
    EXPECT_EQ(m_editor.caption(), QStringLiteral("Edit"));
    EXPECT_EQ(recordsOnDisk(), 2);

    // At the first record the move loads the same record again.
    const RecordEditor::Outcome again = m_editor.MoveRecord(*out.show, -1);
    EXPECT_EQ((*again.show)[Control::Item], QStringLiteral("First"));
    EXPECT_EQ(m_prompter.asked.size(), 1u) << "an unchanged current record asks nothing";

    // Changed, Cancel stays; Yes stores and then moves.
    FormValues typed = *again.show;
    typed[Control::Model] = QStringLiteral("M1");
    m_prompter.answers.push_back(Prompter::Cancel);
    EXPECT_FALSE(m_editor.MoveRecord(typed, 1).done);
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Data has changed.  Update this record before moving to the next "
                             "record?"));
    m_prompter.answers.push_back(Prompter::Yes);
    const RecordEditor::Outcome moved = m_editor.MoveRecord(typed, 1);
    ASSERT_TRUE(moved.done);
    EXPECT_EQ((*moved.show)[Control::Item], QStringLiteral("Second"));
    m_table.first();
    EXPECT_EQ(m_table.text(field::Model), QStringLiteral("M1"));
}

TEST_F(RecordEditorTest, NewRecordAsksWhenChangedAndAFailedUpdateStops) {
    addRecord({{field::Item, "Radio"}});
    FormValues v = showFirst();
    v[Control::Cost] = QStringLiteral("x");
    m_prompter.answers.push_back(Prompter::Yes);
    RecordEditor::Outcome out = m_editor.NewRecord(v);
    EXPECT_FALSE(out.done);
    EXPECT_EQ(out.focus, Control::Cost);
    EXPECT_EQ(m_prompter.asked[0].text, kDataChangedNew);
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Invalid cost specified.  Please correct."));

    m_prompter.answers.push_back(Prompter::No);
    out = m_editor.NewRecord(v);
    ASSERT_TRUE(out.done);
    EXPECT_EQ((*out.show)[Control::Item], QString());
    EXPECT_EQ((*out.show)[Control::Quantity], QStringLiteral("1"));
    EXPECT_EQ(m_editor.caption(), QStringLiteral("Edit (New Record)"));
    EXPECT_EQ(m_editor.editMode(), editor::kNewRecord);
    EXPECT_EQ(m_table.text(field::Cost), QString()) << "No discarded the change";
}

TEST_F(RecordEditorTest, BrowseModeAsksNothingAndStoresNothing) {
    addRecord({{field::Item, "A"}});
    addRecord({{field::Item, "B"}});
    m_table.first();
    m_editor.setBrowseMode(true);
    m_editor.setEditMode(editor::kCurrentRecord);
    FormValues v = m_editor.FormShow();
    v[Control::Item] = QStringLiteral("changed");
    EXPECT_TRUE(m_editor.DoExit(v));
    EXPECT_TRUE(m_editor.MoveRecord(v, 1).done);
    EXPECT_FALSE(m_editor.DoUpdate(v).done);
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_EQ(stored(field::Item), QStringLiteral("B"));
}

TEST_F(RecordEditorTest, StoringGrowsBothCopiesOfThePickLists) {
    m_lists.UpdateList(List::Brand, {"Sony"});
    FormValues v = form("TV");
    v[Control::Brand] = QStringLiteral(" Sony ");
    v[Control::Location] = QStringLiteral(" Den ");
    v[Control::Category] = QStringLiteral("Audio");
    v[Control::TheOwner] = QStringLiteral("Ann");
    v[Control::Bought] = QStringLiteral("Shop");
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(m_lists.items(List::Brand), QStringList{"Sony"});
    EXPECT_EQ(m_lists.items(List::Location), QStringList{"Den"});
    EXPECT_EQ(m_lists.gridItems(List::Location), QStringList{"Den"});
    EXPECT_EQ(m_lists.items(List::Owner), QStringList{"Ann"});
    EXPECT_EQ(m_lists.items(List::Bought), QStringList{"Shop"});
    EXPECT_EQ(stored(field::Brand), QStringLiteral("Sony")) << "texts are stored trimmed";

    v[Control::Brand] = QStringLiteral("SONY");
    m_editor.setEditMode(editor::kNewRecord);
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(m_lists.items(List::Brand), (QStringList{"Sony", "SONY"}));
    EXPECT_EQ(m_lists.gridItems(List::Brand), (QStringList{"Sony", "SONY"}));

    // A refused update leaves the lists alone.
    v[Control::Brand] = QStringLiteral("Acme");
    v[Control::Cost] = QStringLiteral("?");
    EXPECT_FALSE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(m_lists.items(List::Brand).size(), 2);
}

TEST_F(RecordEditorTest, AnAmountLeftAsShownKeepsAllItsDecimals) {
    addRecord({{field::Item, "Ring"}, {field::Value, "1234.5678"}});
    FormValues v = showFirst();
    EXPECT_EQ(v[Control::Value], QStringLiteral("1,234.57"));
    v[Control::Model] = QStringLiteral("gold");
    ASSERT_TRUE(m_editor.DoAnUpdate(v).done);
    EXPECT_EQ(stored(field::Value), QStringLiteral("1234.5678"));
    v[Control::Value] = QStringLiteral("1,234.57");
    m_editor.setEditMode(editor::kNewRecord);
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(stored(field::Value), QStringLiteral("1234.5700"))
        << "after a store the typed text is what counts";
}

TEST_F(RecordEditorTest, CharactersTheFileCannotHoldAreAskedAboutBeforeStoring) {
    FormValues v = form(QString::fromUtf8("Łódź lamp"));
    m_prompter.answers.push_back(Prompter::No);
    RecordEditor::Outcome out = m_editor.DoUpdate(v);
    EXPECT_FALSE(out.done);
    EXPECT_EQ(out.focus, Control::Item);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Warning"));
    EXPECT_TRUE(m_prompter.last().text.contains(QString::fromUtf8("\"Ł\" in Item")))
        << m_prompter.last().text.toStdString();
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    EXPECT_EQ(recordsOnDisk(), 0);
    m_prompter.answers.push_back(Prompter::Yes);
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(stored(field::Item), QString::fromUtf8("?\u00f3d? lamp"));
}

TEST_F(RecordEditorTest, ARecordChangedElsewhereIsOverwrittenOnlyWhenTheUserSaysSo) {
    addRecord({{field::Item, "Lamp"}});
    addRecord({{field::Item, "Desk"}});
    FormValues v = showFirst();
    v[Control::Model] = QStringLiteral("mine");
    elsewhere([](MyTable &other) {
        other.edit();
        other.setText(field::Model, QStringLiteral("theirs"));
        other.post();
    });
    m_prompter.answers.push_back(Prompter::No);
    EXPECT_FALSE(m_editor.DoUpdate(v).done);
    EXPECT_TRUE(m_prompter.last().text.contains(QStringLiteral("changed by another user")));
    EXPECT_EQ(m_prompter.last().defaultButton, Prompter::No);
    m_table.first();
    EXPECT_EQ(m_table.text(field::Model), QStringLiteral("theirs"));

    m_prompter.answers.push_back(Prompter::Yes);
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    MyTable reader;
    reader.open(m_path, MyTable::OpenMode::ReadOnly);
    EXPECT_EQ(reader.text(field::Model), QStringLiteral("mine"));
    EXPECT_EQ(reader.recNo(), 1u) << "the record loaded is the record written";
    reader.next();
    EXPECT_EQ(reader.text(field::Item), QStringLiteral("Desk"));
}

TEST_F(RecordEditorTest, ARecordDeletedElsewhereIsNotBroughtBack) {
    addRecord({{field::Item, "Lamp"}});
    addRecord({{field::Item, "Desk"}});
    FormValues v = showFirst();
    v[Control::Model] = QStringLiteral("mine");
    elsewhere([](MyTable &other) { other.deleteRecord(); });
    EXPECT_FALSE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_TRUE(m_prompter.last().text.contains(QStringLiteral("deleted by another user")));
    EXPECT_EQ(recordsOnDisk(), 1);
    // What was typed can still go in as a new record.
    ASSERT_TRUE(m_editor.CopyRecord(v).done);
    ASSERT_TRUE(m_editor.DoUpdate(v).done);
    EXPECT_EQ(recordsOnDisk(), 2);
    EXPECT_EQ(stored(field::Model), QStringLiteral("mine"));
}

} // namespace
