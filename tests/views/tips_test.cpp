#include "views/tips.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(Tips, TwentyFourDistinctShortTexts) {
    QSet<QString> seen;
    for (int n = 1; n <= tips::kTipCount; ++n) {
        const QString text = tips::TipText(n);
        EXPECT_FALSE(text.isEmpty()) << n;
        EXPECT_LE(text.size(), 130) << n;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 24);
    EXPECT_TRUE(tips::TipText(0).isEmpty());
    EXPECT_TRUE(tips::TipText(25).isEmpty());
}

TEST(Tips, TextsAsWritten) {
    EXPECT_EQ(tips::TipText(1), QStringLiteral("You can rename database fields to your liking."));
    EXPECT_EQ(tips::TipText(10),
              QStringLiteral("You can maintain multiple databases and Stowkeep will display the "
                             "last five used in the menu for easy retrieval."));
    EXPECT_EQ(tips::TipText(21), QStringLiteral("Logical OR searches can be performed: Find all "
                                                "records where the item = xxxx OR where the item "
                                                "= yyyy."));
    EXPECT_EQ(tips::TipText(24), QStringLiteral("A \"Browse Mode\" is available where a user has "
                                                "access to the data, but cannot change it."));
}

TEST(Tips, NextWrapsAfterTheLastAndComesBackAfterACycle) {
    EXPECT_EQ(tips::NextTip(1), 2);
    EXPECT_EQ(tips::NextTip(23), 24);
    EXPECT_EQ(tips::NextTip(24), 1);
    for (int start = 1; start <= tips::kTipCount; ++start) {
        int n = start;
        for (int i = 0; i < tips::kTipCount; ++i) {
            n = tips::NextTip(n);
            ASSERT_GE(n, 1);
            ASSERT_LE(n, 24);
        }
        EXPECT_EQ(n, start);
    }
}

TEST(Tips, RandomTipStaysInRange) {
    for (int i = 0; i < 200; ++i) {
        const int n = tips::RandomTip();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, tips::kTipCount);
    }
}
