#include "db/inventory_fixture.h"
#include "search/ui/t_search_and_replace.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/masked_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

class SearchReplaceWindowTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        for (const char *brand : {"Sony", "Bosch", "SONY", "Sonya"}) {
            m_table.insert();
            m_table.setText(field::Item, QStringLiteral("item ") + QLatin1String(brand));
            m_table.setText(field::Brand, QString::fromLatin1(brand));
            m_table.setText(field::Category, QStringLiteral("Audio"));
            m_table.post();
        }
        m_hooks.expression = QStringLiteral("Upper(Left(Category,80))");
        fixture::reopenSorted(m_table, m_path, m_hooks.expression);
        m_settings.fieldNames[field::Brand] = QStringLiteral("Maker");
    }
    void TearDown() override { ResetDateFormat(); }

    template <typename T> T *child(TSearchAndReplace &d, const char *name) {
        auto *w = d.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void choose(TSearchAndReplace &d, int fieldIndex) {
        auto *box = child<QComboBox>(d, "FieldBox");
        box->setCurrentIndex(fieldIndex);
        Q_EMIT box->activated(fieldIndex);
    }
    QStringList brands() {
        QStringList out;
        m_table.setIndexName(QString());
        for (MyTable::Scanner s = m_table.scanner(); s.next();)
            out << s.view().text(field::Brand);
        return out;
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    FakeMainHooks m_hooks;
    Settings m_settings{QString()};
    ScriptedPrompter m_prompter;
    FormLook m_look;
};

TEST_F(SearchReplaceWindowTest, ControlsAndMasksFollowTheChosenField) {
    TSearchAndReplace d(m_table, m_hooks, m_settings, m_prompter, m_look);
    d.show();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Search and Replace"));
    auto *box = child<QComboBox>(d, "FieldBox");
    ASSERT_EQ(box->count(), 22);
    EXPECT_EQ(box->itemText(field::Brand), QStringLiteral("Maker"));
    EXPECT_EQ(box->maxVisibleItems(), 15);
    EXPECT_EQ(child<QLabel>(d, "SearchLabel")->text(), QStringLiteral("Text To Search For"));
    EXPECT_EQ(child<QLabel>(d, "ReplaceLabel")->text(), QStringLiteral("Replacement Text"));
    EXPECT_EQ(child<QLabel>(d, "ProcessedLabel")->text(), QStringLiteral("Processed"));
    EXPECT_FALSE(child<QCheckBox>(d, "ConfirmBox")->isChecked());
    EXPECT_EQ(child<QPushButton>(d, "StartButton")->text(), QStringLiteral("&Start Search"));

    child<QPushButton>(d, "StartButton")->click();
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("No field has been selected."));
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Error"));

    auto *search = child<MaskedEdit>(d, "SearchText");
    choose(d, field::PurchDate);
    EXPECT_EQ(d.fieldNumber(), field::PurchDate + 1);
    EXPECT_TRUE(search->hasConversion());
    EXPECT_EQ(search->maskText(), QStringLiteral("  /  /    "));
    child<QPushButton>(d, "StartButton")->click();
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid search date entered.  Please correct."));
    choose(d, field::Cost);
    EXPECT_EQ(search->maskText(), QStringLiteral("         "));
    child<QPushButton>(d, "StartButton")->click();
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Invalid search value entered.  Please correct."));
    choose(d, field::Brand);
    EXPECT_FALSE(search->hasConversion());
    EXPECT_EQ(search->maxLength(), 20);
    EXPECT_EQ(brands(), (QStringList{"Sony", "Bosch", "SONY", "Sonya"})) << "nothing changed";
}

TEST_F(SearchReplaceWindowTest, ARunChangesWholeValuesAndShowsItsCounters) {
    m_look.factor = 1.25;
    TSearchAndReplace d(m_table, m_hooks, m_settings, m_prompter, m_look);
    d.show();
    choose(d, field::Brand);
    child<MaskedEdit>(d, "SearchText")->setText(QStringLiteral("sony"));
    child<MaskedEdit>(d, "ReplaceText")->setText(QStringLiteral("Sony Europe"));
    const QImage before = d.grab().toImage();
    child<QPushButton>(d, "StartButton")->click();
    EXPECT_EQ(d.lastOutcome(), replace::Outcome::Done);
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Finished"));
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("Global Search and Replace Complete."));
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.counters().processed, 4);
    EXPECT_EQ(d.counters().found, 2);
    EXPECT_EQ(d.counters().changed, 2);
    EXPECT_EQ(brands(), (QStringList{"Sony Europe", "Bosch", "Sony Europe", "Sonya"}));

    // The counters are drawn at their places, scaled, and come back whenever it is painted.
    EXPECT_EQ(d.counterPosition(0), QPoint(88, 281));
    EXPECT_EQ(d.counterPosition(2), QPoint(388, 281));
    const QImage after = d.grab().toImage();
    const QPoint at = d.counterPosition(0) + QPoint(3, 6);
    bool drawn = false;
    for (int dx = 0; dx < 10 && !drawn; ++dx)
        for (int dy = 0; dy < 12 && !drawn; ++dy)
            drawn = after.pixel(at + QPoint(dx, dy)) != before.pixel(at + QPoint(dx, dy));
    EXPECT_TRUE(drawn) << "no counter drawn at " << at.x() << "," << at.y();
}

TEST_F(SearchReplaceWindowTest, ConfirmAnsweredNoEveryTimeChangesNothing) {
    TSearchAndReplace d(m_table, m_hooks, m_settings, m_prompter, m_look);
    d.show();
    choose(d, field::Brand);
    child<MaskedEdit>(d, "SearchText")->setText(QStringLiteral("SONY"));
    child<MaskedEdit>(d, "ReplaceText")->setText(QStringLiteral("x"));
    child<QCheckBox>(d, "ConfirmBox")->setChecked(true);
    m_prompter.answers = {Prompter::No, Prompter::No};
    child<QPushButton>(d, "StartButton")->click();
    ASSERT_EQ(m_prompter.asked.size(), 3u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Confirm"));
    EXPECT_EQ(m_prompter.asked[0].text,
              QStringLiteral("Item = \"item Sony\".  Change this record?"));
    EXPECT_EQ(m_prompter.asked[0].buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(d.counters().found, 2);
    EXPECT_EQ(d.counters().changed, 0);
    EXPECT_EQ(brands(), (QStringList{"Sony", "Bosch", "SONY", "Sonya"}));
}

} // namespace
