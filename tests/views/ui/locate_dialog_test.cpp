#include "views/ui/t_my_locate_dialog.h"

#include "core/field_catalogue.h"
#include "db/inventory_file.h"
#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

class LocateDialog : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        add("Pan", "Kitchen", "1250");
        add("Lamp", "Den", "1250.5");
        add("Kettle", "KITCHEN", "30");
        add("Saw", "Garage", "1250");
        fixture::reopenSorted(m_table, m_path, QStringLiteral("Upper(Left(Item,80))"));
        // Kettle, Lamp, Pan, Saw
        m_locate.SetDataSource(&m_table);
        // The viewer shows Item and Location under display names; everything else is hidden.
        m_locate.SetColumnTitles([](int f) -> std::optional<QString> {
            if (f == field::Item)
                return QStringLiteral("Thing~Name");
            if (f == field::Location)
                return QStringLiteral("Where");
            return std::nullopt;
        });
    }

    void add(const char *item, const char *location, const char *cost) {
        m_table.insert();
        m_table.setText(field::Item, QString::fromLatin1(item));
        m_table.setText(field::Location, QString::fromLatin1(location));
        m_table.setText(field::Cost, QString::fromLatin1(cost));
        m_table.post();
    }
    QString item() const { return m_table.text(field::Item); }
    QString ownName(int field) const {
        const std::string &name = m_table.layout().fields()[static_cast<std::size_t>(field)].name;
        return QString::fromStdString(name);
    }

    // Runs Show with the dialog driven by `drive` instead of a modal loop.
    bool show(const std::function<void(TMyLocateDlg &)> &drive) {
        m_locate.SetDialogRunner([&](TMyLocateDlg &dialog) {
            ++m_runs;
            dialog.show();
            drive(dialog);
            const int result = dialog.result();
            dialog.hide();
            return result;
        });
        return m_locate.Show();
    }
    template <typename T> static T *child(TMyLocateDlg &dialog, const char *name) {
        auto *widget = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static void fill(TMyLocateDlg &dialog, const QString &title, const QString &value,
                     const char *matchButton, bool caseSensitive) {
        auto *list = child<QComboBox>(dialog, "FieldNameComboBox");
        list->setCurrentIndex(list->findText(title));
        child<QLineEdit>(dialog, "SearchValue")->setText(value);
        child<QRadioButton>(dialog, matchButton)->setChecked(true);
        child<QCheckBox>(dialog, "CaseSensitiveCheckBox")->setChecked(caseSensitive);
    }
    static void press(TMyLocateDlg &dialog, const char *button) {
        child<QPushButton>(dialog, button)->click();
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    ScriptedPrompter m_prompter;
    TMyLocateDialog m_locate{m_prompter};
    int m_runs = 0;
};

TEST_F(LocateDialog, FieldListHoldsViewerTitlesAndTheOwnNamesOfHiddenFields) {
    std::vector<TMyLocateDlg::FieldChoice> choices = m_locate.FieldChoices();
    ASSERT_EQ(choices.size(), 22u) << "every field kind of the inventory file is locatable";
    QStringList titles;
    for (const auto &choice : choices)
        titles << choice.title;
    EXPECT_TRUE(titles.contains(QStringLiteral("Thing Name"))) << "~ reads as a space";
    EXPECT_TRUE(titles.contains(ownName(field::Cost))) << "hidden: its name in the table";
    QStringList sorted = titles;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(titles, sorted);

    m_locate.SetSortFields(TMyFieldSortType::fsSortByFieldNo);
    choices = m_locate.FieldChoices();
    EXPECT_EQ(choices[0].title, QStringLiteral("Thing Name"));
    EXPECT_EQ(choices[0].name, ownName(field::Item));
    EXPECT_EQ(choices[1].title, ownName(field::Brand));

    m_locate.SetFieldSelection(TMyFieldSelection::fsVisibleFields);
    choices = m_locate.FieldChoices();
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[1].title, QStringLiteral("Where"));
}

TEST_F(LocateDialog, LocateNextBeforeAnySearchOpensTheDialogWithNextAsDefault) {
    m_locate.SetDefaultButton(TMyDefaultButtonType::dbFindFirst);
    const bool found = [&] {
        m_locate.SetDialogRunner([&](TMyLocateDlg &dialog) {
            ++m_runs;
            dialog.show();
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Locate Field Value"));
            EXPECT_TRUE(child<QPushButton>(dialog, "NextButton")->isDefault());
            EXPECT_FALSE(child<QPushButton>(dialog, "FirstButton")->isDefault());
            EXPECT_EQ(dialog.focusWidget(), child<QLineEdit>(dialog, "SearchValue"));
            EXPECT_EQ(child<QComboBox>(dialog, "FieldNameComboBox")->currentIndex(), -1);
            EXPECT_TRUE(child<QRadioButton>(dialog, "PartialMatchStartBtn")->isChecked());
            dialog.reject();
            return dialog.result();
        });
        return m_locate.FindNext();
    }();
    EXPECT_FALSE(found);
    EXPECT_EQ(m_runs, 1);
    EXPECT_EQ(m_locate.DefaultButton(), TMyDefaultButtonType::dbFindNext);
    EXPECT_TRUE(m_prompter.asked.empty());
}

TEST_F(LocateDialog, PartialAtBeginningHonoursCaseAndStaysOpenWithoutMatch) {
    m_table.last();
    EXPECT_TRUE(show([&](TMyLocateDlg &dialog) {
        fill(dialog, QStringLiteral("Where"), QStringLiteral("kit"), "PartialMatchStartBtn", true);
        press(dialog, "FirstButton");
        EXPECT_TRUE(dialog.isVisible()) << "no match keeps the dialog open";
        EXPECT_EQ(m_prompter.last().title, QStringLiteral("Information"));
        EXPECT_EQ(m_prompter.last().text, QStringLiteral("No matches found"));
        EXPECT_EQ(item(), QStringLiteral("Saw")) << "the current record stays";

        child<QCheckBox>(dialog, "CaseSensitiveCheckBox")->setChecked(false);
        press(dialog, "FirstButton");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }));
    EXPECT_EQ(item(), QStringLiteral("Kettle")) << "KITCHEN matches kit without case";
    EXPECT_EQ(m_prompter.asked.size(), 1u);

    // The search is remembered: locate-next goes on from the match, then runs out.
    EXPECT_EQ(m_locate.SearchField(), ownName(field::Location));
    EXPECT_EQ(m_locate.SearchValue(), QStringLiteral("kit"));
    EXPECT_FALSE(m_locate.CaseSensitive());
    EXPECT_TRUE(m_locate.FindNext());
    EXPECT_EQ(item(), QStringLiteral("Pan"));
    EXPECT_FALSE(m_locate.FindNext());
    EXPECT_EQ(item(), QStringLiteral("Pan")) << "next on the last match leaves it current";
    EXPECT_EQ(m_prompter.last().text, QStringLiteral("No more matches found"));
    EXPECT_EQ(m_prompter.last().icon, Prompter::Icon::Information);

    m_locate.SetShowMessages(false);
    EXPECT_FALSE(m_locate.FindNext());
    EXPECT_EQ(m_prompter.asked.size(), 2u) << "messages off: no box";
    EXPECT_EQ(m_runs, 1) << "locate-next with a remembered value shows no dialog";
}

TEST_F(LocateDialog, ExactCostMatchesByValueAndNextSearchesOnFromTheCurrentRecord) {
    EXPECT_TRUE(show([&](TMyLocateDlg &dialog) {
        fill(dialog, ownName(field::Cost), QStringLiteral("1250"), "ExactMatchBtn", false);
        press(dialog, "NextButton");
    }));
    EXPECT_EQ(item(), QStringLiteral("Pan")) << "1250.00 is 1250; Kettle was current, skipped";
    EXPECT_TRUE(show([&](TMyLocateDlg &dialog) {
        // The last search comes back as it was left.
        EXPECT_EQ(child<QLineEdit>(dialog, "SearchValue")->text(), QStringLiteral("1250"));
        EXPECT_EQ(child<QComboBox>(dialog, "FieldNameComboBox")->currentText(),
                  ownName(field::Cost));
        EXPECT_TRUE(child<QRadioButton>(dialog, "ExactMatchBtn")->isChecked());
        press(dialog, "NextButton");
    }));
    EXPECT_EQ(item(), QStringLiteral("Saw"));
    EXPECT_TRUE(show([&](TMyLocateDlg &dialog) {
        press(dialog, "NextButton");
        EXPECT_EQ(m_prompter.last().text, QStringLiteral("No more matches found"));
        EXPECT_EQ(item(), QStringLiteral("Saw"));
        press(dialog, "FirstButton");
    }));
    EXPECT_EQ(item(), QStringLiteral("Pan"));
}

TEST_F(LocateDialog, ChangingTheFieldEmptiesTheValueAndAMissingFieldIsNotRemembered) {
    m_locate.SetSearchField(ownName(field::Location));
    m_locate.SetSearchValue(QStringLiteral("Den"));
    EXPECT_FALSE(show([&](TMyLocateDlg &dialog) {
        auto *value = child<QLineEdit>(dialog, "SearchValue");
        EXPECT_EQ(value->text(), QStringLiteral("Den"));
        auto *list = child<QComboBox>(dialog, "FieldNameComboBox");
        list->setCurrentIndex(list->findText(QStringLiteral("Thing Name")));
        EXPECT_TRUE(value->text().isEmpty());
        value->setText(QStringLiteral("La"));
        dialog.reject();
    }));
    EXPECT_EQ(m_locate.SearchField(), ownName(field::Item)) << "remembered however it closed";
    EXPECT_EQ(m_locate.SearchValue(), QStringLiteral("La"));

    // A remembered field the table does not have: the dialog opens with no value.
    m_locate.SetSearchField(QStringLiteral("NOSUCH"));
    EXPECT_FALSE(show([&](TMyLocateDlg &dialog) {
        EXPECT_TRUE(child<QLineEdit>(dialog, "SearchValue")->text().isEmpty());
        dialog.reject();
    }));
    EXPECT_TRUE(m_locate.SearchField().isEmpty());
}

TEST_F(LocateDialog, WithoutAnOpenTableNothingIsSearched) {
    m_table.close();
    EXPECT_FALSE(show([](TMyLocateDlg &) { ADD_FAILURE() << "no dialog without a table"; }));
    ASSERT_EQ(m_prompter.asked.size(), 1u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Error"));
    EXPECT_EQ(m_prompter.asked[0].text,
              QStringLiteral("DataSource does not reference an active DataSet"));
    m_locate.SetSearchValue(QStringLiteral("x"));
    EXPECT_FALSE(m_locate.FindNext());
    EXPECT_EQ(m_prompter.last().title, QStringLiteral("Warning"));
    EXPECT_EQ(m_prompter.last().text,
              QStringLiteral("DataSource does not refer to an active table!"));
    EXPECT_EQ(m_runs, 0);
}

TEST_F(LocateDialog, GroupCaptionsTakeTheMinorTitleColour) {
    ColorSet colors;
    colors[ColorRole::MinorTitle] = 0x0000ff;
    colors[ColorRole::EditBackground] = 0x00ffff;
    m_locate.SetPresentation([colors] {
        return TMyLocateDialog::Presentation{FormLook{}, colors};
    });
    (void)show([&](TMyLocateDlg &dialog) {
        for (const char *name : {"SearchTypeGroup", "FieldGroup", "ValueGroup"})
            EXPECT_EQ(child<QGroupBox>(dialog, name)->palette().color(QPalette::WindowText),
                      ToQColor(0x0000ff))
                << name;
        EXPECT_EQ(child<QLineEdit>(dialog, "SearchValue")->palette().color(QPalette::Base),
                  ToQColor(0x00ffff));
        dialog.reject();
    });
}

} // namespace
