#include "app/ui/help_window.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>

class HelpWindowTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }
};

TEST_F(HelpWindowTest, OpensTheBuiltInFileAtAKeyword) {
    THelpWindow help(QStringLiteral("/nonexistent/STOWKP.HLP"));
    help.showKeyword(QStringLiteral("Input Window"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Input Window"));
    EXPECT_TRUE(help.note().isEmpty());
    auto *text = help.findChild<QTextBrowser *>(QStringLiteral("TopicText"));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("record")));
    auto *list = help.findChild<QListWidget *>(QStringLiteral("TopicList"));
    ASSERT_NE(list, nullptr);
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Input Window"));

    help.showKeyword(QString());
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Contents"));
}

TEST_F(HelpWindowTest, UnknownKeywordShowsContentsWithANote) {
    THelpWindow help;
    help.showKeyword(QStringLiteral("No Such Window"));
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Contents"));
    EXPECT_EQ(help.note(), QStringLiteral("No help topic for \"No Such Window\"."));
    help.showKeyword(QStringLiteral("search window"));
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Search Window"));
    EXPECT_TRUE(help.note().isEmpty());
}

TEST_F(HelpWindowTest, ReadsAGivenFileAndFollowsLinks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("STOWKP.HLP"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("== Contents ==\nSee [[Other Topic|the other one]].\n== Other Topic ==\nHere.\n");
    file.close();

    THelpWindow help(path);
    EXPECT_EQ(help.helpFile().keywords(), QStringList({"Contents", "Other Topic"}));
    help.showKeyword(QString());
    auto *text = help.findChild<QTextBrowser *>(QStringLiteral("TopicText"));
    ASSERT_NE(text, nullptr);
    Q_EMIT text->anchorClicked(QUrl(QStringLiteral("topic:Other%20Topic")));
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Other Topic"));

    auto *contents = help.findChild<QPushButton *>(QStringLiteral("ContentsButton"));
    ASSERT_NE(contents, nullptr);
    contents->click();
    EXPECT_EQ(help.currentKeyword(), QStringLiteral("Contents"));
}
