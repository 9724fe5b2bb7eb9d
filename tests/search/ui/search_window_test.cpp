#include "core/main_hooks.h"
#include "db/inventory_fixture.h"
#include "search/ui/t_my_search.h"
#include "search/ui/t_search_options.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/masked_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Key presses as the user types them, one character after the other.
void keyClicks(QWidget *widget, const QString &text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void click(QPushButton *button) {
    ASSERT_NE(button, nullptr);
    button->click();
}

constexpr int kBrand = field::Brand + 1;
constexpr int kLocation = field::Location + 1;
constexpr int kCost = field::Cost + 1;
constexpr int kWarranty = field::Warranty + 1;

// What the main window does for the search window: its filter asks BuildFilter while a
// search is in force.
class MainLike : public MainHooks {
public:
    explicit MainLike(MyTable &table) : m_table(table) {}
    void endSearch() override {
        ++ended;
        m_table.setFiltered(false);
    }
    void enableEndSearch() override {
        ++enabled;
        m_table.setFilter([this](const RecordView &r) { return search->BuildFilter(r); });
        m_table.setFiltered(true);
    }
    void setViewerOptions() override {}
    void displayCount() override {}
    bool saveSettings() override { return true; }
    void buildSortExpression() override {}
    QString sortExpression() const override { return {}; }

    TMySearch *search = nullptr;
    int ended = 0, enabled = 0;

private:
    MyTable &m_table;
};

class SearchWindowTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        const char *rows[][4] = {{"Radio", "Sony", "Kitchen", "150"},
                                 {"Drill", "Bosch", "Garage", "80"},
                                 {"TV", "JOHNSON", "Den", "600"},
                                 {"Mixer", "Bosch", "Kitchen", "120"}};
        for (const auto &r : rows) {
            m_table.insert();
            m_table.setText(field::Item, QString::fromLatin1(r[0]));
            m_table.setText(field::Brand, QString::fromLatin1(r[1]));
            m_table.setText(field::Location, QString::fromLatin1(r[2]));
            m_table.setText(field::Cost, QString::fromLatin1(r[3]));
            m_table.post();
        }
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
        m_settings.fieldNames[field::Brand] = QStringLiteral("Maker");
        m_window = std::make_unique<TMySearch>(
            m_table, m_hooks, m_settings, m_prompter, [this] { return m_look; },
            [](picklists::List list) {
                return list == picklists::List::Brand
                           ? QStringList{QStringLiteral("Sony"), QStringLiteral("Bosch")}
                           : QStringList{};
            });
        m_hooks.search = m_window.get();
    }

    QTableWidget *grid() { return m_window->grid(); }
    QPushButton *button(const char *name) {
        return m_window->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    // Types into a row's criterion cell as the user does.
    void type(int row, const QString &keys) {
        m_window->makeCurrent(row);
        QLineEdit *editor = m_window->currentEditor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->objectName(), QStringLiteral("CriterionEditor"));
        editor->setFocus();
        editor->home(false);
        keyClicks(editor, keys);
    }
    QLineEdit *editor() { return m_window->currentEditor(); }
    QStringList visibleItems() {
        QStringList out;
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            out << s.view().text(field::Item);
        return out;
    }
    // Shows the window modelessly, as exec() would show it.
    void show() {
        m_window->show();
        QApplication::processEvents();
    }
    // Runs `act` once the next modal dialog is up.
    static void whenModal(std::function<void(QWidget *)> act) {
        QTimer::singleShot(0, [act] {
            QWidget *modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            act(modal);
        });
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    MainLike m_hooks{m_table};
    Settings m_settings{QString()};
    ScriptedPrompter m_prompter;
    FormLook m_look;
    std::unique_ptr<TMySearch> m_window;
};

TEST_F(SearchWindowTest, GridShowsTitlesNamesAndTheButtonColumn) {
    m_look.factor = 1.25;
    show();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Search"));
    ASSERT_EQ(grid()->rowCount(), 23);
    EXPECT_EQ(grid()->item(0, 0)->text(), QStringLiteral(" FIELD"));
    EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral(" SEARCH CRITERIA    (Level 1)"));
    EXPECT_EQ(grid()->item(kBrand, 0)->text(), QStringLiteral(" Maker"));
    EXPECT_EQ(grid()->item(1, 0)->text(), QStringLiteral(" Item"));
    EXPECT_EQ(grid()->columnWidth(0), 250);
    EXPECT_EQ(grid()->columnWidth(1), 25);
    EXPECT_EQ(grid()->columnWidth(2), 473);
    EXPECT_EQ(grid()->width(), 770);
    for (int row = 1; row <= 22; ++row) {
        const bool button = search::HasOptionsButton(row);
        EXPECT_EQ(grid()->item(row, 1)->text(), button ? QStringLiteral("...") : QString()) << row;
        if (button) {
            EXPECT_EQ(grid()->item(row, 1)->background().color(), QColor(128, 128, 128));
        }
    }
    for (const char *name : {"OkButton", "MoreButton", "ClearButton", "ExitButton", "HelpButton"})
        EXPECT_NE(button(name), nullptr) << name;
    EXPECT_EQ(button("MoreButton")->text(), QStringLiteral("&Find More"));
    click(button("HelpButton"));
    EXPECT_EQ(m_prompter.helpKeywords, QStringList{QStringLiteral("Search Window")});
}

TEST_F(SearchWindowTest, TwoLevelsAreOredAndOkPutsTheSearchInForce) {
    show();
    type(kBrand, QStringLiteral("bosch"));
    type(kCost, QStringLiteral("100"));
    click(button("MoreButton"));
    EXPECT_TRUE(m_prompter.asked.empty()) << m_prompter.last().text.toStdString();
    EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral(" SEARCH CRITERIA    (Level 2)"));
    EXPECT_EQ(grid()->item(kBrand, 2)->text(), QString()) << "Find More empties the criteria";
    type(kLocation, QStringLiteral("DEN"));
    click(button("OkButton"));
    EXPECT_TRUE(m_prompter.asked.empty()) << m_prompter.last().text.toStdString();
    EXPECT_EQ(m_window->result(), QDialog::Accepted);
    EXPECT_EQ(m_hooks.enabled, 1);
    // Level 1: Bosch and cost = 100 (none); level 2: Den.
    EXPECT_EQ(visibleItems(), QStringList{QStringLiteral("TV")});
    EXPECT_EQ(m_table.recordCount(), 1);

    // Showing again forgets the grid's items but leaves the search in force alone; Exit
    // applies nothing.
    show();
    EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral(" SEARCH CRITERIA    (Level 1)"));
    click(button("ExitButton"));
    EXPECT_EQ(visibleItems(), QStringList{QStringLiteral("TV")});
}

TEST_F(SearchWindowTest, RefusalsKeepTheWindowOpenWithTheirMessages) {
    show();
    click(button("OkButton"));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("No search criteria entered."));

    type(kBrand, QStringLiteral("so"));
    type(kCost, QStringLiteral("1,5"));
    click(button("OkButton"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid search criteria entered.  Please correct."));
    EXPECT_EQ(grid()->currentRow(), kCost) << "the invalid row is made current";
    EXPECT_EQ(m_window->criteria().itemCount(), 0);
    EXPECT_EQ(m_hooks.enabled, 0);

    m_window->setCriterionText(kCost, QString());
    m_window->setCriterionText(kBrand, QString());
    type(kBrand, QStringLiteral("zzz"));
    click(button("OkButton"));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Notice"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("No valid matches found.  Search criteria will be cleared."));
    EXPECT_EQ(m_hooks.ended, 1) << "a search that finds nothing is ended";
    EXPECT_EQ(grid()->item(kBrand, 2)->text(), QString());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_table.recordCount(), 4);
}

TEST_F(SearchWindowTest, FindMoreStopsAtTheTenthLevel) {
    show();
    for (int level = 1; level < 10; ++level) {
        type(kBrand, QStringLiteral("o"));
        click(button("MoreButton"));
    }
    EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral(" SEARCH CRITERIA    (Level 10)"));
    EXPECT_FALSE(button("MoreButton")->isEnabled());
    click(button("ClearButton"));
    EXPECT_TRUE(button("MoreButton")->isEnabled());
    EXPECT_EQ(grid()->item(0, 2)->text(), QStringLiteral(" SEARCH CRITERIA    (Level 1)"));
    EXPECT_EQ(m_window->criteria().itemCount(), 0);
}

TEST_F(SearchWindowTest, TheRangeChoiceTakesEffectAtOnceOnTheCurrentRow) {
    show();
    type(kCost, QStringLiteral("100"));
    ASSERT_EQ(grid()->currentRow(), kCost);
    auto *masked = qobject_cast<MaskedEdit *>(editor());
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(masked->maskText(), QStringLiteral("= 100      "));
    whenModal([](QWidget *modal) {
        auto *options = qobject_cast<TSearchOptions *>(modal);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->windowTitle(), QStringLiteral("Search Options"));
        QListWidget *list = options->list();
        ASSERT_EQ(list->count(), 4);
        EXPECT_EQ(list->item(3)->text(), QStringLiteral(" > X < "));
        EXPECT_EQ(list->currentRow(), 0) << "the row's comparison is selected";
        list->setCurrentRow(3);
        click(options->findChild<QPushButton *>(QStringLiteral("OkButton")));
    });
    Q_EMIT grid()->cellClicked(kCost, 1); // the "..." cell
    EXPECT_EQ(m_window->criteria().comparison(kCost), search::Range);
    EXPECT_EQ(grid()->currentRow(), kCost);
    masked = qobject_cast<MaskedEdit *>(editor());
    ASSERT_NE(masked, nullptr);
    EXPECT_TRUE(masked->inputMask().contains(QStringLiteral("\\A\\N\\D")))
        << masked->inputMask().toStdString();
    EXPECT_EQ(masked->maskText(), QStringLiteral("> 100       AND <         "))
        << "the value typed is kept in the new mask";
    masked->setCursorPosition(18);
    keyClicks(masked, QStringLiteral("700"));
    click(button("OkButton"));
    EXPECT_EQ(visibleItems(), (QStringList{QStringLiteral("Mixer"), QStringLiteral("Radio"),
                                           QStringLiteral("TV")}));
}

TEST_F(SearchWindowTest, ValueListsFillTheCriterionAndWarrantyOffersYesAndNo) {
    show();
    whenModal([](QWidget *modal) {
        auto *options = qobject_cast<TSearchOptions *>(modal);
        ASSERT_NE(options, nullptr);
        ASSERT_EQ(options->list()->count(), 2);
        EXPECT_EQ(options->list()->currentRow(), -1) << "nothing selected on opening";
        EXPECT_EQ(options->findChild<QLabel *>(QStringLiteral("FieldNameLabel"))->text(),
                  QStringLiteral("Maker"));
        options->list()->setCurrentRow(1);
        options->OkButtonClick();
    });
    m_window->openOptions(kBrand);
    EXPECT_EQ(m_window->criterionText(kBrand), QStringLiteral("Bosch"));
    EXPECT_EQ(grid()->currentRow(), kBrand);

    whenModal([](QWidget *modal) {
        auto *options = qobject_cast<TSearchOptions *>(modal);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->list()->item(0)->text(), QStringLiteral("YES"));
        EXPECT_EQ(options->list()->item(1)->text(), QStringLiteral("NO"));
        options->list()->setCurrentRow(0);
        options->OkButtonClick();
    });
    m_window->openOptions(kWarranty);
    EXPECT_EQ(m_window->criterionText(kWarranty), QStringLiteral("YES"));

    // An empty list: Ok leaves the criterion as it was and only makes the row current.
    m_window->setCriterionText(kLocation, QStringLiteral("den"));
    whenModal([](QWidget *modal) {
        auto *options = qobject_cast<TSearchOptions *>(modal);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->list()->count(), 0);
        options->OkButtonClick();
    });
    m_window->openOptions(kLocation);
    EXPECT_EQ(m_window->criterionText(kLocation), QStringLiteral("den"));
    EXPECT_EQ(grid()->currentRow(), kLocation);
}

} // namespace
