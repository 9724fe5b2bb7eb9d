#include "app/file_filter.h"

#include <gtest/gtest.h>

TEST(FileFilter, PairsBecomeQtFiltersInBothCases) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("Database Files (*.DBF)|*.DBF")),
              QStringLiteral("Database Files (*.DBF *.dbf)"));
    EXPECT_EQ(QtFileFilter(QStringLiteral("DBase (*.DBF)|*.DBF")),
              QStringLiteral("DBase (*.DBF *.dbf)"));
    EXPECT_EQ(QtFileFilter(QStringLiteral("Text|*.txt;*.Asc|All files|*.*")),
              QStringLiteral("Text (*.txt *.TXT *.Asc *.ASC *.asc);;All files (*.*)"));
}

TEST(FileFilter, QtFormAndOddInputPassThroughOrAreDropped) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("Images (*.png)")), QStringLiteral("Images (*.png)"));
    EXPECT_EQ(QtFileFilter(QString()), QString());
    // A description without patterns has nothing to filter by.
    EXPECT_EQ(QtFileFilter(QStringLiteral("Nothing|")), QString());
    EXPECT_EQ(QtFileFilter(QStringLiteral("Report|*.URP|dangling")),
              QStringLiteral("Report (*.URP *.urp)"));
}
