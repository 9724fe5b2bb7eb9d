#include "edit/ui/t_my_edit_box.h"

#include "core/color_set.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

using picklists::List;

class ListEditor : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        m_lists.UpdateList(List::Category, {"tools", "Audio", "books"});
        m_box = std::make_unique<TMyEditBox>(m_lists, List::Category,
                                             QStringLiteral("Edit \"Category\" List"), 30,
                                             m_prompter, FormLook{}, m_colors);
        m_box->show();
    }

    QListWidget *list() { return m_box->findChild<QListWidget *>(QStringLiteral("TheList")); }
    QLineEdit *entry() { return m_box->findChild<QLineEdit *>(QStringLiteral("AddInfo")); }
    void click(const char *name) { m_box->findChild<QPushButton *>(QLatin1String(name))->click(); }
    void add(const QString &text) {
        entry()->setText(text);
        click("AddButton");
    }

    picklists::PickLists m_lists;
    ScriptedPrompter m_prompter;
    ColorSet m_colors;
    std::unique_ptr<TMyEditBox> m_box;
};

TEST_F(ListEditor, ShowsACopyOfTheListWithTheFirstEntrySelected) {
    EXPECT_EQ(m_box->windowTitle(), QStringLiteral("Edit \"Category\" List"));
    EXPECT_EQ(m_box->entries(), (QStringList{"tools", "Audio", "books"}));
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(entry()->maxLength(), 30);
    for (const auto &[name, caption] :
         {std::pair{"AddButton", "&Add"}, std::pair{"DeleteButton", "&Delete"},
          std::pair{"SortButton", "&Sort"}, std::pair{"OkButton", "&Ok"},
          std::pair{"CancelButton", "&Cancel"}})
        EXPECT_EQ(m_box->findChild<QPushButton *>(QLatin1String(name))->text(),
                  QLatin1String(caption));
}

TEST_F(ListEditor, AddTrimsAllowsTwinsAndTakesMoreThanTheFieldHolds) {
    add(QStringLiteral("  Garden  "));
    add(QStringLiteral("Garden"));
    add(QStringLiteral("   "));
    add(QStringLiteral("A category of 25 letters"));
    EXPECT_EQ(m_box->entries(), (QStringList{"tools", "Audio", "books", "Garden", "Garden",
                                             "A category of 25 letters"}));
    EXPECT_EQ(entry()->text(), QString());
    EXPECT_TRUE(m_lists.items(List::Category).size() == 3) << "nothing changes before Ok";
    click("OkButton");
    EXPECT_EQ(m_lists.items(List::Category).size(), 6);
    EXPECT_EQ(m_lists.gridItems(List::Category), m_lists.items(List::Category));
    EXPECT_EQ(m_box->result(), QDialog::Accepted);
}

TEST_F(ListEditor, DeleteMovesTheSelectionAndEmptyingTheListEmptiesBothCopies) {
    list()->setCurrentRow(2);
    click("DeleteButton");
    EXPECT_EQ(m_box->entries(), (QStringList{"tools", "Audio"}));
    EXPECT_EQ(list()->currentRow(), 1) << "the last one removed: the new last is selected";
    list()->setCurrentRow(0);
    click("DeleteButton");
    EXPECT_EQ(list()->currentItem()->text(), QStringLiteral("Audio"));
    click("DeleteButton");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(list()->currentRow(), -1);
    click("DeleteButton");
    EXPECT_TRUE(m_prompter.asked.empty()) << "deleting asks nothing";
    click("OkButton");
    EXPECT_TRUE(m_lists.items(List::Category).isEmpty());
    EXPECT_TRUE(m_lists.gridItems(List::Category).isEmpty());
}

TEST_F(ListEditor, SortAsksFirstIgnoresCaseAndLaterAdditionsGoToTheEnd) {
    m_prompter.answers.push_back(Prompter::No);
    click("SortButton");
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Confirm"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("Are you sure you want to sort the data?  Sorting cannot be undone."));
    EXPECT_EQ(m_prompter.last().buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(m_box->entries(), (QStringList{"tools", "Audio", "books"}));
    m_prompter.answers.push_back(Prompter::Yes);
    click("SortButton");
    EXPECT_EQ(m_box->entries(), (QStringList{"Audio", "books", "tools"}));
    add(QStringLiteral("Antiques"));
    EXPECT_EQ(m_box->entries().back(), QStringLiteral("Antiques"));
    click("CancelButton");
    EXPECT_EQ(m_lists.items(List::Category), (QStringList{"tools", "Audio", "books"}))
        << "Cancel leaves the list as it was";
}

TEST_F(ListEditor, EditAListRunsModallyAndOkReplacesTheList) {
    m_box.reset();
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<TMyEditBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->findChild<QLineEdit *>(QStringLiteral("AddInfo"))->setText(QStringLiteral("Toys"));
        box->AddButtonClick();
        box->OkButtonClick();
    });
    TMyEditBox::EditAList(m_lists, List::Category, QStringLiteral("Edit \"Category\" List"), 30,
                          m_prompter, FormLook{}, m_colors, nullptr);
    EXPECT_EQ(m_lists.items(List::Category).back(), QStringLiteral("Toys"));
}

} // namespace
