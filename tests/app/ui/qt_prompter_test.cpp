#include "app/ui/qt_prompter.h"
#include "ui/qt_convert.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

class QtPrompterTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }

    // Runs `act` on the message box once it is up, then lets the box finish.
    static void whenBoxShows(std::function<void(QMessageBox *)> act) {
        QTimer::singleShot(0, qApp, [act] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            act(box);
        });
    }
};

} // namespace

TEST_F(QtPrompterTest, ColourConversionKeepsRedInTheLowByte) {
    EXPECT_EQ(ToQColor(255), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(8553090), QColor(130, 130, 130));
    EXPECT_EQ(FromQColor(QColor(0, 255, 0)), 0x00FF00u);
    EXPECT_EQ(FromQColor(QColor(128, 0, 64)), 128u + 64u * 65536u);
    EXPECT_EQ(FromQColor(QColor::fromHsv(0, 255, 255)), 255u);
}

TEST_F(QtPrompterTest, FontConversionRoundTrips) {
    const FontSpec spec{QStringLiteral("Courier New"), 14, 0x123456, true, false, true, true};
    const QFont font = ToQFont(spec);
    EXPECT_EQ(font.family(), QStringLiteral("Courier New"));
    EXPECT_EQ(font.pointSize(), 14);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    EXPECT_TRUE(font.strikeOut());
    EXPECT_EQ(FromQFont(font, spec.color), spec);
}

TEST_F(QtPrompterTest, MessageBoxShowsTitleTextButtonsAndDefault) {
    QtPrompter prompter;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenBoxShows([&](QMessageBox *box) {
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        icon = box->icon();
        box->button(QMessageBox::Yes)->click();
    });
    const auto answer =
        prompter.message(QStringLiteral("Confirm"), QStringLiteral("Delete this record?"),
                         Prompter::Yes | Prompter::No, Prompter::No, Prompter::Icon::Question);
    EXPECT_EQ(answer, Prompter::Yes);
    EXPECT_EQ(title, QStringLiteral("Confirm"));
    EXPECT_EQ(text, QStringLiteral("Delete this record?"));
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(defaultButton, QMessageBox::No);
    EXPECT_EQ(icon, QMessageBox::Question);
}

TEST_F(QtPrompterTest, ClosingTheBoxCountsAsCancelOrNo) {
    QtPrompter prompter;
    whenBoxShows([](QMessageBox *box) { box->reject(); });
    EXPECT_EQ(prompter.message(QStringLiteral("Convert"), QStringLiteral("Convert?"),
                               Prompter::Yes | Prompter::No | Prompter::Cancel, Prompter::Yes,
                               Prompter::Icon::Question),
              Prompter::Cancel);
    whenBoxShows([](QMessageBox *box) { box->reject(); });
    EXPECT_EQ(prompter.message(QStringLiteral("Confirm"), QStringLiteral("Sure?"),
                               Prompter::Yes | Prompter::No, Prompter::Yes,
                               Prompter::Icon::Question),
              Prompter::No);
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenBoxShows([&](QMessageBox *box) {
        icon = box->icon();
        box->reject();
    });
    prompter.error(QStringLiteral("Invalid file type selected."));
    EXPECT_EQ(icon, QMessageBox::Critical);
}
