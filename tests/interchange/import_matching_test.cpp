// The matching grid's logic: rows, moves, the USE toggle and the field map built from it.
#include "core/field_catalogue.h"
#include "interchange/import_matching.h"
#include "interchange/import_run.h"

#include <gtest/gtest.h>

using importing::Matching;

namespace {

TEST(Matching, FewFieldsFill22RowsAndManyFieldsOneRowEach) {
    const Matching few({"A", "B"});
    ASSERT_EQ(few.rowCount(), kFieldCount);
    EXPECT_EQ(few.importField(1), "B");
    EXPECT_EQ(few.use(1), "Yes");
    EXPECT_EQ(few.importField(2), "<EMPTY>");
    EXPECT_EQ(few.use(2), "");
    QStringList names;
    for (int i = 1; i <= 30; ++i)
        names << QStringLiteral("F%1").arg(i);
    const Matching many(names);
    EXPECT_EQ(many.rowCount(), 30);
    // Fields standing after the 22nd row are never imported.
    const std::vector<int> map = many.fieldMap();
    EXPECT_EQ(map[21], 21);
    EXPECT_EQ(map[22], -1);
    EXPECT_EQ(map[29], -1);
}

TEST(Matching, UpAndDownMoveNameAndUseTogetherAndStopAtTheEdges) {
    Matching m({"A", "B", "C"});
    m.toggleUse(2);
    EXPECT_FALSE(m.moveUp(0));
    EXPECT_TRUE(m.moveUp(2));
    EXPECT_EQ(m.importField(1), "C");
    EXPECT_EQ(m.use(1), "No");
    EXPECT_EQ(m.importField(2), "B");
    EXPECT_FALSE(m.moveDown(kFieldCount - 1));
    EXPECT_TRUE(m.moveDown(2)); // into the empty rows
    EXPECT_EQ(m.importField(3), "B");
    EXPECT_EQ(m.importField(2), "<EMPTY>");
    EXPECT_EQ(m.fieldMap(), (std::vector<int>{0, 3, -1}));
}

TEST(Matching, TheUseToggleSwitchesYesAndNoAndLeavesEmptyCells) {
    Matching m({"A"});
    m.toggleUse(0);
    EXPECT_EQ(m.use(0), "No");
    EXPECT_EQ(m.fieldMap(), std::vector<int>{-1});
    m.toggleUse(0);
    EXPECT_EQ(m.use(0), "Yes");
    m.toggleUse(5);
    EXPECT_EQ(m.use(5), "");
    m.toggleUse(-1);
    m.toggleUse(99);
}

TEST(Matching, FieldsOfOneNameFollowTheFirstRowShowingIt) {
    Matching m({"<BLANK FIELD>", "Cost", "<BLANK FIELD>"});
    EXPECT_EQ(m.fieldMap(), (std::vector<int>{0, 1, 0}));
    m.toggleUse(0);
    EXPECT_EQ(m.fieldMap(), (std::vector<int>{-1, 1, -1}));
}

TEST(ImportChecks, DbfNamesAndFirstLineMessages) {
    EXPECT_TRUE(importing::IsDbfFileName(QStringLiteral("/x/old.dbf")));
    EXPECT_FALSE(importing::IsDbfFileName(QStringLiteral("/x/old.dbf.txt")));
    EXPECT_FALSE(importing::IsDbfFileName(QStringLiteral("DBF")));
    const QString prefix = QStringLiteral(
        "The file selected does not appear to be an ASCII delimited text file.  An ASCII "
        "delimited file requires a unique format of each field being surrounded by double "
        "quotes and separated by a comma.  ");
    EXPECT_EQ(importing::FirstLineMessage(delimited::FirstLine::TooLong),
              prefix + "The selected file has a field that is greater than 255 characters.");
    EXPECT_EQ(importing::FirstLineMessage(delimited::FirstLine::UnexpectedEnd),
              prefix + "The selected file had an unexpected end of a line most likely due to an "
                       "unmatched quote.");
    EXPECT_EQ(importing::FirstLineMessage(delimited::FirstLine::TooManyFields),
              prefix + "The selected file has too many fields.  There are at least 10 more "
                       "fields than are required by Stowkeep.");
}

} // namespace
