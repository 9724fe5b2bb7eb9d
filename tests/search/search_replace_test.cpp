#include "db/engine/db_error.h"
#include "db/inventory_fixture.h"
#include "search/search_replace.h"
#include "settings/date_format.h"
#include "support/fake_main_hooks.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace {

using namespace replace;

const QString kSortByCategory = QStringLiteral("Upper(Left(Category,80))");

class Recorder : public SweepObserver {
public:
    void progress(const Counters &c) override {
        ++calls;
        last = c;
        if (onProgress)
            onProgress(c);
    }
    bool confirm(const QString &question) override {
        questions << question;
        return answer;
    }
    int calls = 0;
    Counters last;
    bool answer = true;
    QStringList questions;
    std::function<void(const Counters &)> onProgress;
};

CheckedRequest checked(int fieldNumber, const QString &search, const QString &replacement,
                       bool confirmEach = false) {
    const auto r = CheckInput({fieldNumber, search, replacement, confirmEach});
    EXPECT_TRUE(std::holds_alternative<CheckedRequest>(r));
    return std::holds_alternative<CheckedRequest>(r) ? std::get<CheckedRequest>(r)
                                                     : CheckedRequest{};
}

InputProblem problem(int fieldNumber, const QString &search, const QString &replacement) {
    const auto r = CheckInput({fieldNumber, search, replacement, false});
    EXPECT_TRUE(std::holds_alternative<InputProblem>(r));
    return std::holds_alternative<InputProblem>(r) ? std::get<InputProblem>(r) : InputProblem{};
}

TEST(ReplaceInput, ChecksByFieldKindInOrder) {
    ResetDateFormat();
    ASSERT_TRUE(ApplyDateFormat(7, true));
    const int cost = field::Cost + 1, date = field::PurchDate + 1, brand = field::Brand + 1;
    EXPECT_EQ(problem(0, "", "").message, QStringLiteral("No field has been selected."));
    EXPECT_EQ(problem(0, "", "").focus, Focus::FieldBox);
    EXPECT_EQ(problem(cost, "", "5").message,
              QStringLiteral("Invalid search value entered.  Please correct."));
    EXPECT_EQ(problem(cost, "1,5", "5").focus, Focus::SearchText);
    EXPECT_EQ(problem(cost, "1.5", "").message,
              QStringLiteral("Invalid replacement value entered.  Please correct."));
    EXPECT_EQ(problem(cost, "1.5", "x").focus, Focus::ReplaceText);
    EXPECT_EQ(problem(date, "  /  /    ", "01/01/2000").message,
              QStringLiteral("Invalid search date entered.  Please correct."));
    EXPECT_EQ(problem(date, "02/30/2000", "01/01/2000").focus, Focus::SearchText);
    EXPECT_EQ(problem(date, "01/01/2000", "  /  /    ").message,
              QStringLiteral("Invalid replacement date entered.  Please correct."));
    const CheckedRequest c = checked(brand, "  sony ", " Sony Corp ");
    EXPECT_EQ(c.searchUpper, QStringLiteral("SONY"));
    EXPECT_EQ(c.replacement, QStringLiteral("Sony Corp"));
    EXPECT_EQ(checked(brand, "", "").searchUpper, QString()) << "character texts may be empty";
    EXPECT_EQ(checked(date, " 1/2/2000", "12/31/1999").replacementDate, QDate(1999, 12, 31));
    ResetDateFormat();
}

class SearchReplaceTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ResetDateFormat();
        ASSERT_TRUE(ApplyDateFormat(7, true));
        m_path = fixture::newInventory(m_dir);
        m_hooks.expression = kSortByCategory;
    }
    void TearDown() override { ResetDateFormat(); }

    // Records of (item, brand, category, cost); opened shared in sort order.
    void fill(const std::vector<std::array<QString, 4>> &rows) {
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (const auto &r : rows) {
            m_table.insert();
            m_table.setText(field::Item, r[0]);
            m_table.setText(field::Brand, r[1]);
            m_table.setText(field::Category, r[2]);
            m_table.setText(field::Cost, r[3]);
            m_table.post();
        }
        fixture::reopenSorted(m_table, m_path, kSortByCategory);
    }

    Outcome run(const CheckedRequest &request) {
        return replace::Run(m_table, m_hooks, m_prompter, request, m_observer, m_counters);
    }

    // Field values of every record in the data set's order.
    QStringList column(int field) {
        QStringList out;
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            out << s.view().text(field);
        return out;
    }

    void expectOpenSharedAndSorted() {
        EXPECT_TRUE(m_table.isOpen());
        EXPECT_EQ(m_table.openMode(), MyTable::OpenMode::Shared);
        EXPECT_EQ(m_table.indexName(), QStringLiteral("NewIndex"));
        EXPECT_TRUE(m_table.tagNames().contains(QStringLiteral("NEWINDEX"), Qt::CaseInsensitive));
        QStringList categories = column(field::Category);
        QStringList sorted = categories;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.toUpper() < b.toUpper(); });
        EXPECT_EQ(categories, sorted);
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    FakeMainHooks m_hooks;
    ScriptedPrompter m_prompter;
    Recorder m_observer;
    Counters m_counters;
};

TEST_F(SearchReplaceTest, WholeValuesMatchInAnyCaseButPrefixesDoNot) {
    fill({{"a", "Sony", "Audio", "1"},
          {"b", "SONY", "Audio", "2"},
          {"c", "sony", "Video", "3"},
          {"d", "Sonyx", "Video", "4"},
          {"e", "Sony Corp", "Art", "5"},
          {"f", "", "Art", "6"}});
    ASSERT_EQ(run(checked(field::Brand + 1, "sony", "Sony Europe")), Outcome::Done);
    EXPECT_EQ(m_counters.processed, 6);
    EXPECT_EQ(m_counters.found, 3);
    EXPECT_EQ(m_counters.changed, 3);
    EXPECT_EQ(m_observer.last.processed, 6) << "progress is told as the counters change";
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Finished"));
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Global Search and Replace Complete."));
    EXPECT_EQ(m_prompter.asked.size(), 1u);
    expectOpenSharedAndSorted();
    m_table.setIndexName(QString());
    EXPECT_EQ(column(field::Brand),
              (QStringList{"Sony Europe", "Sony Europe", "Sony Europe", "Sonyx", "Sony Corp", ""}));
    EXPECT_GE(m_hooks.viewerApplied, 2);
}

TEST_F(SearchReplaceTest, ConfirmAnsweredNoEveryTimeChangesNothing) {
    fill({{"Radio", "Sony", "Audio", "1"},
          {"TV", "Bosch", "Video", "2"},
          {"Walkman", "sony", "Audio", "3"}});
    m_observer.answer = false;
    ASSERT_EQ(run(checked(field::Brand + 1, "SONY", "Other", true)), Outcome::Done);
    EXPECT_EQ(m_counters.found, 2);
    EXPECT_EQ(m_counters.changed, 0);
    EXPECT_EQ(m_observer.questions, (QStringList{"Item = \"Radio\".  Change this record?",
                                                 "Item = \"Walkman\".  Change this record?"}));
    m_table.setIndexName(QString());
    EXPECT_EQ(column(field::Brand), (QStringList{"Sony", "Bosch", "sony"}));
}

TEST_F(SearchReplaceTest, AnEmptyCharacterSearchChangesExactlyTheEmptyFields) {
    fill({{"a", "", "Audio", ""}, {"b", " x", "Audio", ""}, {"c", "", "Art", ""}});
    m_table.first();
    m_table.deleteRecord(); // record 3 ("c", the first in category order) is deleted
    ASSERT_EQ(run(checked(field::Brand + 1, "", "(none)")), Outcome::Done);
    EXPECT_EQ(m_counters.processed, 2) << "deleted records are passed over";
    EXPECT_EQ(m_counters.changed, 1);
    m_table.setIndexName(QString());
    EXPECT_EQ(column(field::Brand), (QStringList{"(none)", " x"}));
}

TEST_F(SearchReplaceTest, TheSortOrderIsRestoredAfterReplacingASortField) {
    fill({{"a", "", "Art", "1"},
          {"b", "", "Music", "2"},
          {"c", "", "art", "3"},
          {"d", "", "Zoo", "4"}});
    ASSERT_EQ(run(checked(field::Category + 1, "ART", "Tools")), Outcome::Done);
    expectOpenSharedAndSorted();
    EXPECT_EQ(column(field::Item), (QStringList{"b", "a", "c", "d"}));
}

TEST_F(SearchReplaceTest, NumbersAndDatesMatchByValue) {
    fill({{"a", "", "A", "100"},
          {"b", "", "B", "100.00"},
          {"c", "", "C", "1000"},
          {"d", "", "D", ""}});
    ASSERT_EQ(run(checked(field::Cost + 1, "100", "250.5")), Outcome::Done);
    EXPECT_EQ(column(field::Cost), (QStringList{"250.5000", "250.5000", "1000.0000", ""}));
    ASSERT_EQ(run(checked(field::Cost + 1, "0", "1")), Outcome::Done)
        << "an empty number counts as 0";
    EXPECT_EQ(column(field::Cost), (QStringList{"250.5000", "250.5000", "1000.0000", "1.0000"}));

    m_table.first();
    m_table.edit();
    m_table.setDate(field::PurchDate, QDate(1996, 7, 5));
    m_table.post();
    ASSERT_EQ(run(checked(field::PurchDate + 1, "7/5/1996", "01/02/2003")), Outcome::Done);
    EXPECT_EQ(m_counters.changed, 1);
    EXPECT_EQ(column(field::PurchDate), (QStringList{"01/02/2003", "", "", ""}));
}

TEST_F(SearchReplaceTest, AFileInUseElsewhereIsRefusedAndNothingChanges) {
    fill({{"a", "Sony", "A", "1"}});
    MyTable other;
    other.open(m_path, MyTable::OpenMode::Shared);
    ASSERT_EQ(run(checked(field::Brand + 1, "sony", "X")), Outcome::Refused);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Search and Replace requires exclusive use of the DBase File.  Make "
                             "sure that the DBase File is not in use by another program  or that "
                             "no other users are running the software or that no other copies of "
                             "the software are in use."));
    EXPECT_EQ(m_observer.calls, 0);
    expectOpenSharedAndSorted();
    EXPECT_EQ(column(field::Brand), QStringList{"Sony"});
}

TEST_F(SearchReplaceTest, ASearchInForceIsSwitchedOffForTheRunAndOnAfter) {
    fill({{"a", "Sony", "A", "1"}, {"b", "Bosch", "B", "1"}});
    m_table.setFilter([](const RecordView &r) { return r.text(field::Brand) == u"Sony"; });
    m_table.setFiltered(true);
    ASSERT_EQ(run(checked(field::Brand + 1, "bosch", "Sony")), Outcome::Done);
    EXPECT_EQ(m_hooks.endSearchCalls, 1);
    EXPECT_EQ(m_hooks.enableEndSearchCalls, 1);
    EXPECT_EQ(m_counters.processed, 2) << "every record is swept, not the search's";
}

TEST_F(SearchReplaceTest, AnEngineErrorInTheSweepSaysHowManyChangedAndKeepsTheIndex) {
    fill({{"a", "Sony", "A", "1"},
          {"b", "Sony", "B", "1"},
          {"c", "Sony", "C", "1"},
          {"d", "Sony", "D", "1"}});
    // What an engine failure in the middle looks like to the run: a DbError out of the sweep
    // after two records were changed.
    m_observer.onProgress = [](const Counters &c) {
        if (c.processed == 2)
            throw db::DbError("/x/INV.DBF", "write failed: No space left on device");
    };
    ASSERT_EQ(run(checked(field::Brand + 1, "sony", "Bosch")), Outcome::Failed);
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_TRUE(m_prompter.last().text.startsWith(
        QStringLiteral("Search and replace was stopped by an error after 2 records were "
                       "changed.  ")))
        << m_prompter.last().text.toStdString();
    EXPECT_TRUE(m_prompter.last().text.contains(QStringLiteral("No space left on device")));
    expectOpenSharedAndSorted();
    EXPECT_EQ(column(field::Brand), (QStringList{"Bosch", "Bosch", "Sony", "Sony"}));
}

TEST_F(SearchReplaceTest, AReplacementTheFieldCannotHoldChangesNothing) {
    fill({{"a", "", "A", "100"}});
    ASSERT_EQ(run(checked(field::Cost + 1, "100", "1e15")), Outcome::Failed);
    EXPECT_TRUE(m_prompter.last().text.startsWith(
        QStringLiteral("Search and replace was stopped by an error after 0 records were")));
    EXPECT_EQ(column(field::Cost), QStringList{"100.0000"});
    expectOpenSharedAndSorted();
}

TEST_F(SearchReplaceTest, AFileWithoutSortExpressionStaysInRecordOrder) {
    fill({{"a", "Sony", "B", "1"}, {"b", "Sony", "A", "1"}});
    m_hooks.expression.clear();
    ASSERT_EQ(run(checked(field::Brand + 1, "sony", "X")), Outcome::Done);
    EXPECT_EQ(m_table.indexName(), QString());
    EXPECT_EQ(column(field::Item), (QStringList{"a", "b"}));
}

} // namespace
