#include "app/ui/qt_prompter.h"
#include "ui/qt_convert.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
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

namespace {

// A dialog shown the way the program shows its windows: modal to the whole application.
class OpenDialog {
public:
    OpenDialog() {
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.resize(300, 200);
        m_dialog.show();
    }
    QDialog *get() { return &m_dialog; }

private:
    QDialog m_dialog;
};

// A click the way the window system delivers it, so a window a modal dialog blocks
// does not get it.
bool clickReaches(QPushButton *button) {
    QWidget *window = button->window();
    if (!window->windowHandle())
        return false;
    int clicks = 0;
    const auto connection = QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      button->mapTo(window, button->rect().center()));
    QObject::disconnect(connection);
    return clicks == 1;
}

} // namespace

TEST_F(QtPrompterTest, BoxesRaisedFromADialogBelongToTheDialog) {
    QWidget mainWindow;
    mainWindow.show();
    QtPrompter prompter(&mainWindow);
    QWidget *owner = nullptr;
    whenBoxShows([&](QMessageBox *box) {
        owner = box->parentWidget();
        box->reject();
    });
    prompter.message(QStringLiteral("Notice"), QStringLiteral("From the main window"), Prompter::Ok,
                     Prompter::Ok, Prompter::Icon::Information);
    EXPECT_EQ(owner, &mainWindow);

    OpenDialog dialog;
    whenBoxShows([&](QMessageBox *box) {
        owner = box->parentWidget();
        box->reject();
    });
    prompter.message(QStringLiteral("Error"), QStringLiteral("From the dialog"), Prompter::Ok,
                     Prompter::Ok, Prompter::Icon::Error);
    EXPECT_EQ(owner, dialog.get());
}

TEST_F(QtPrompterTest, HelpOpenedFromAModalDialogTakesInputWhileTheDialogStaysOpen) {
    QWidget mainWindow;
    mainWindow.show();
    QtPrompter prompter(&mainWindow);
    {
        OpenDialog dialog;
        ASSERT_EQ(QApplication::activeModalWidget(), dialog.get());
        prompter.showHelp(QStringLiteral("Sort Order"));
        THelpWindow *help = prompter.helpWindow();
        ASSERT_NE(help, nullptr);
        EXPECT_TRUE(help->isVisible());
        EXPECT_EQ(help->currentKeyword(), QStringLiteral("Sort Order"));
        auto *contents = help->findChild<QPushButton *>(QStringLiteral("ContentsButton"));
        ASSERT_NE(contents, nullptr);
        EXPECT_TRUE(clickReaches(contents));
        EXPECT_EQ(help->currentKeyword(), QStringLiteral("Contents"));
        EXPECT_EQ(QApplication::activeModalWidget(), dialog.get());
    }
    // With the dialog gone, help opened from the main window works as before.
    prompter.showHelp(QStringLiteral("Search Window"));
    THelpWindow *help = prompter.helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    auto *contents = help->findChild<QPushButton *>(QStringLiteral("ContentsButton"));
    EXPECT_TRUE(clickReaches(contents));
    EXPECT_EQ(help->currentKeyword(), QStringLiteral("Contents"));
}

TEST_F(QtPrompterTest, ClosingTheMainWindowEndsTheProgramWhileHelpIsOpen) {
    QWidget mainWindow;
    mainWindow.show();
    QtPrompter prompter(&mainWindow);
    prompter.showHelp(QString());
    ASSERT_TRUE(prompter.helpWindow()->isVisible());
    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    // Should the program keep running, this ends the event loop with another code.
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    stuck.start(3000);
    EXPECT_EQ(QApplication::exec(), 0);
}
