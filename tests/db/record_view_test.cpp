#include "db/engine/db_error.h"
#include "db/inventory_names.h"
#include "db/record_view.h"
#include "settings/date_format.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

db::FieldDef numeric(int length, int decimals) {
    return {"AMOUNT", 'N', length, decimals, 1};
}

TEST(FieldCodec, NumbersAreRightJustifiedRoundedAndRefusedWhenTooWide) {
    EXPECT_EQ(field_codec::numberToStorage(numeric(8, 2), 12.5), "   12.50");
    EXPECT_EQ(field_codec::numberToStorage(numeric(8, 2), -0.001), "    0.00");
    EXPECT_EQ(field_codec::numberToStorage(numeric(5, 0), -1234), "-1234");
    EXPECT_EQ(field_codec::numberTextToStorage(numeric(6, 1), u" 3.25 "),
              "   3.3"); // as typed, half up (not the printf tie to even)
    EXPECT_EQ(field_codec::numberTextToStorage(numeric(8, 1), u"1e3"), "  1000.0");
    EXPECT_EQ(field_codec::numberTextToStorage(numeric(6, 1), u""), "      ");
    EXPECT_THROW((void)field_codec::numberToStorage(numeric(5, 2), 1234.5), db::DbError);
    EXPECT_THROW((void)field_codec::numberTextToStorage(numeric(6, 0), u"12a"), db::DbError);
    EXPECT_THROW((void)field_codec::numberToStorage(numeric(20, 2), 0.0 / 0.0), db::DbError);
}

TEST(FieldCodec, DatesStoreAsEightCharactersAndBlankIsNoDate) {
    EXPECT_EQ(field_codec::dateToStorage(QDate(1996, 7, 5)), "19960705");
    EXPECT_EQ(field_codec::dateToStorage(QDate()), "        ");
    EXPECT_EQ(field_codec::dateFromStorage("20240229"), QDate(2024, 2, 29));
    EXPECT_FALSE(field_codec::dateFromStorage("20230229").isValid());
    EXPECT_FALSE(field_codec::dateFromStorage("        ").isValid());
    EXPECT_FALSE(field_codec::dateFromStorage("1996075 ").isValid());
}

TEST(RecordView, ReadsEachKindOfField) {
    std::vector<db::FieldDef> fields{{"NAME", 'C', 6, 0, 1},
                                     {"QTY", 'N', 4, 0, 7},
                                     {"WHEN", 'D', 8, 0, 11},
                                     {"OK", 'L', 1, 0, 19}};
    RecordLayout layout(
        fields, 20, [](std::string_view b) { return QString::fromLatin1(b); },
        [](QStringView, std::string &, QChar &) { return true; }, QStringLiteral("test"));
    std::string rec = std::string(" ") + "Caf\xe9  " + "  -7" + "19960705" + "T";
    ResetDateFormat();
    RecordView view(&layout, rec.data());
    EXPECT_EQ(view.text(0), QString::fromLatin1("Caf\xe9"));
    EXPECT_EQ(view.text(u"qty"), QStringLiteral("-7"));
    EXPECT_EQ(view.integer(1), -7);
    EXPECT_EQ(view.date(2), QDate(1996, 7, 5));
    EXPECT_EQ(view.text(2), QStringLiteral("7/5/96"));
    EXPECT_EQ(view.text(3), QStringLiteral("T"));
    EXPECT_EQ(layout.indexOf(u"When"), 2);
    EXPECT_EQ(layout.indexOf(u"nothing"), -1);
    EXPECT_FALSE(view.isDeleted());
    rec[0] = '*';
    EXPECT_TRUE(view.isDeleted());
    rec.replace(7, 4, "    ");
    EXPECT_TRUE(view.isBlank(1));
    EXPECT_EQ(view.number(1), 0.0);
}

TEST(InventoryNames, TableNameStopsAtTheFirstFullStopButTheFileIsKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("HOME.2024.DBF"));
    const InventoryNames n = InventoryNamesOf(path);
    EXPECT_EQ(n.tableName, QStringLiteral("HOME"));
    EXPECT_EQ(n.path, QDir(dir.path()).absoluteFilePath(QStringLiteral("HOME.2024.DBF")));
    EXPECT_EQ(n.databaseName, QDir(dir.path()).absolutePath() + u'/');
    EXPECT_EQ(n.mdxPath, n.databaseName + QStringLiteral("HOME.2024.MDX"));

    QFile lower(dir.filePath(QStringLiteral("stuff.mdx")));
    ASSERT_TRUE(lower.open(QIODevice::WriteOnly));
    lower.close();
    EXPECT_EQ(InventoryNamesOf(dir.filePath(QStringLiteral("STUFF.DBF"))).mdxPath,
              lower.fileName());
    EXPECT_EQ(InventoryNamesOf(dir.filePath(QStringLiteral("plain"))).tableName,
              QStringLiteral("plain"));
}

} // namespace
