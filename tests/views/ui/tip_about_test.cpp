#include "views/tips.h"
#include "views/ui/t_about_box.h"
#include "views/ui/t_tip_of_day.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

class TipWindow : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }

    static QString comment(TTipOfDay &tip) {
        return tip.findChild<QLabel *>(QStringLiteral("TipComment"))->text();
    }
    static QCheckBox *box(TTipOfDay &tip) {
        return tip.findChild<QCheckBox *>(QStringLiteral("ShowTips"));
    }
};

} // namespace

TEST_F(TipWindow, ShowsATipAndCyclesBackAfterTwentyFourNextTips) {
    bool showTips = true;
    TTipOfDay tip(showTips, 1.0, QSize(800, 600));
    EXPECT_EQ(tip.windowTitle(), QStringLiteral("Tip of the Day"));
    tip.open();
    const int first = tip.currentTip();
    ASSERT_GE(first, 1);
    ASSERT_LE(first, 24);
    EXPECT_EQ(comment(tip), tips::TipText(first));
    EXPECT_TRUE(box(tip)->isChecked());
    EXPECT_EQ(tip.findChild<QLabel *>(QStringLiteral("DidYouKnow"))->text(),
              QStringLiteral("Did you know?"));

    auto *next = tip.findChild<QPushButton *>(QStringLiteral("NextTipButton"));
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->text(), QStringLiteral("&Next Tip"));
    next->click();
    EXPECT_EQ(tip.currentTip(), tips::NextTip(first));
    EXPECT_EQ(comment(tip), tips::TipText(tips::NextTip(first)));
    for (int i = 1; i < 24; ++i)
        next->click();
    EXPECT_EQ(tip.currentTip(), first);

    tip.ShowTip(24);
    next->click();
    EXPECT_EQ(tip.currentTip(), 1);
}

TEST_F(TipWindow, ClosingStoresTheCheckBoxHoweverItCloses) {
    bool showTips = true;
    {
        TTipOfDay tip(showTips, 1.0);
        tip.open();
        box(tip)->setChecked(false);
        auto *close = tip.findChild<QPushButton *>(QStringLiteral("CloseButton"));
        EXPECT_EQ(close->text(), QStringLiteral("&Close"));
        close->click();
    }
    EXPECT_FALSE(showTips);
    {
        TTipOfDay tip(showTips, 1.0);
        tip.open();
        EXPECT_FALSE(box(tip)->isChecked());
        EXPECT_EQ(box(tip)->text(), QStringLiteral("&Show Tips at Startup"));
        box(tip)->setChecked(true);
        tip.close(); // the window's close box
    }
    EXPECT_TRUE(showTips);
    {
        TTipOfDay tip(showTips, 1.0);
        tip.open();
        box(tip)->setChecked(false);
        tip.reject(); // Escape
    }
    EXPECT_FALSE(showTips);
}

TEST_F(TipWindow, ScalesAndCentres) {
    bool showTips = false;
    TTipOfDay tip(showTips, 2.0, QSize(1280, 1024));
    const QSize design = tip.size();
    tip.open();
    EXPECT_EQ(tip.size(), design * 2);
    const QSize outer = tip.frameGeometry().size();
    EXPECT_EQ(tip.pos(), QPoint((1280 - outer.width()) / 2, (1024 - outer.height()) / 2));
    EXPECT_FALSE(box(tip)->isChecked());
    if (const QByteArray dir = qgetenv("STOWKEEP_SCREENSHOT_DIR"); !dir.isEmpty())
        tip.grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("tip_of_day.png"));
}

TEST(AboutBox, ShowsNameAndVersionAndOkCloses) {
    EnsureQtApplication();
    TAboutBox about(1.25, QSize(1024, 768));
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    const QSize design = about.size();
    about.open();
    EXPECT_EQ(about.findChild<QLabel *>(QStringLiteral("ProductName"))->text(),
              QStringLiteral("Stowkeep Inventory 95"));
    EXPECT_EQ(about.findChild<QLabel *>(QStringLiteral("Version"))->text(),
              QStringLiteral("Version 3.0i"));
    EXPECT_NE(about.findChild<QLabel *>(QStringLiteral("ProgramIcon")), nullptr);
    EXPECT_EQ(about.width(), qRound(design.width() * 1.25));
    auto *ok = about.findChild<QPushButton *>(QStringLiteral("Button1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}
