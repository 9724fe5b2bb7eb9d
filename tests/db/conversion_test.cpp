#include "core/field_catalogue.h"
#include "db/conversion.h"
#include "db/engine/dbf_table.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>

namespace {

using Values = std::map<std::string, std::string>; // field name -> stored text

db::FieldDef def(const char *name, char type, int length, int decimals = 0) {
    return {name, type, length, decimals, 0};
}

std::vector<db::FieldDef> version2Fields() {
    return {def("RECNO", 'N', 6),        def("ITEM", 'C', 40),       def("BRAND", 'C', 20),
            def("MODEL", 'C', 20),       def("SERIAL", 'C', 20),     def("LOCATION", 'C', 30),
            def("DESCRIPTIO", 'C', 110), def("BOUGHTFROM", 'C', 40), def("IDMARKS", 'C', 60),
            def("QUANTITY", 'N', 4),     def("PURCHDATE", 'D', 8),   def("COST", 'N', 12, 2),
            def("CATEGORY", 'C', 20),    def("REPCOST", 'N', 12, 2), def("WARRANTY", 'C', 3),
            def("WARDATE", 'D', 8),      def("WARNOTES", 'C', 30),   def("OWNER", 'C', 30),
            def("VALUE", 'N', 12, 2)};
}

std::vector<db::FieldDef> version1Fields() {
    return {def("ID", 'N', 6),           def("ITEM", 'C', 40),       def("BRAND", 'C', 20),
            def("MODEL", 'C', 20),       def("SERIAL", 'C', 20),     def("ROOM", 'C', 30),
            def("DESCRIPTIO", 'C', 110), def("BOUGHTFROM", 'C', 40), def("IDMARKS", 'C', 60),
            def("QUANTITY", 'N', 4),     def("PURCHDAY", 'N', 2),    def("PURCHMONTH", 'C', 10),
            def("PURCHYEAR", 'N', 4),    def("COST", 'N', 12, 2),    def("CATEGORY", 'C', 20)};
}

void writeTable(const QString &path, const std::vector<db::FieldDef> &fields,
                const std::vector<Values> &records, bool deleteFirst = false) {
    const std::string p = QFile::encodeName(path).toStdString();
    db::DbfTable::create(p, fields);
    db::DbfTable table(p, db::OpenMode::Exclusive);
    for (const Values &values : records) {
        std::string rec = table.blankRecord();
        for (const auto &[name, text] : values) {
            const int f = table.fieldIndex(name);
            ASSERT_GE(f, 0) << name;
            const char type = table.field(f).type;
            if (type == 'D')
                table.setDate(rec, f, text);
            else if (type == 'N')
                table.setDecimalText(rec, f, text);
            else
                table.setText(rec, f, text);
        }
        (void)table.appendRecord(rec);
    }
    if (deleteFirst && table.recordCount() > 0)
        table.setDeleted(1, true);
}

class Conversion : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ResetDateFormat();
        m_inventory = m_dir.filePath(QStringLiteral("MASTER.DBF"));
        ScriptedPrompter made;
        ASSERT_TRUE(MakeNewDB(m_inventory, made));
        m_table.open(m_inventory);
    }
    void TearDown() override { ResetDateFormat(); }

    QString oldPath(const QString &name) const { return m_dir.filePath(name); }

    // Every record of the inventory as item -> (field -> text), in physical order.
    std::vector<std::map<int, QString>> records() {
        std::vector<std::map<int, QString>> out;
        for (m_table.first(); !m_table.isEmpty() && !m_table.eof(); m_table.next()) {
            std::map<int, QString> r;
            for (int f = 0; f < kFieldCount; ++f)
                r[f] = m_table.text(f);
            out.push_back(r);
        }
        return out;
    }

    QTemporaryDir m_dir;
    QString m_inventory;
    MyTable m_table;
    ScriptedPrompter m_prompter;
};

TEST_F(Conversion, MonthNamesAndDateText) {
    EXPECT_EQ(conversion::MonthNumber(QStringLiteral("Mar")), 3);
    EXPECT_EQ(conversion::MonthNumber(QStringLiteral("Dec")), 12);
    EXPECT_FALSE(conversion::MonthNumber(QStringLiteral("MAR"))) << "compared case-sensitively";
    EXPECT_FALSE(conversion::MonthNumber(QStringLiteral("March"))) << "first four characters";
    EXPECT_EQ(conversion::Version1DateText(QStringLiteral("7"), QStringLiteral("Mar"),
                                           QStringLiteral("1994")),
              QStringLiteral("3/7/1994"));
    EXPECT_EQ(conversion::Version1DateText(QStringLiteral("7"), QStringLiteral("3"),
                                           QStringLiteral("1994")),
              QStringLiteral("3/7/1994"));
}

TEST_F(Conversion, VersionChecksLookAtNamesAndCount) {
    writeTable(oldPath("H2LOG.DBF"), version2Fields(), {});
    writeTable(oldPath("HLOG.DBF"), version1Fields(), {});
    EXPECT_TRUE(conversion::CheckDBaseFormatV2(oldPath("H2LOG.DBF")));
    EXPECT_FALSE(conversion::CheckDBaseFormatV1(oldPath("H2LOG.DBF")));
    EXPECT_TRUE(conversion::CheckDBaseFormatV1(oldPath("HLOG.DBF")));
    EXPECT_FALSE(conversion::CheckDBaseFormatV2(oldPath("HLOG.DBF")));
    EXPECT_FALSE(conversion::CheckDBaseFormatV2(m_inventory));

    auto twenty = version2Fields();
    twenty.push_back(def("EXTRA", 'C', 5));
    writeTable(oldPath("T20.DBF"), twenty, {});
    EXPECT_FALSE(conversion::CheckDBaseFormatV2(oldPath("T20.DBF")));
    auto room = version2Fields();
    room[5].name = "ROOM";
    writeTable(oldPath("ROOM.DBF"), room, {});
    EXPECT_FALSE(conversion::CheckDBaseFormatV2(oldPath("ROOM.DBF")));
    auto first = version2Fields();
    first[0] = def("ANYTHING", 'C', 3); // the first field is never compared
    writeTable(oldPath("FIRST.DBF"), first, {});
    EXPECT_TRUE(conversion::CheckDBaseFormatV2(oldPath("FIRST.DBF")));
}

TEST_F(Conversion, BothVersionsAreOfferedInOrderAndBothConverted) {
    writeTable(oldPath("H2LOG.DBF"), version2Fields(),
               {{{"ITEM", "Gone"}},
                {{"ITEM", "Lamp"},
                 {"LOCATION", "Den"},
                 {"COST", "1250.00"},
                 {"PURCHDATE", "19250102"},
                 {"WARRANTY", "Yes"},
                 {"VALUE", "99.5"},
                 {"OWNER", "Pat"}},
                {{"ITEM", "Chair"}, {"QUANTITY", "4"}}},
               true);
    QFile::copy(oldPath("H2LOG.DBF"), oldPath("H2LOG.MDX")); // any companion stays
    writeTable(
        oldPath("hlog.dbf"), version1Fields(),
        {{{"ITEM", "Radio"},
          {"ROOM", "Kitchen"},
          {"PURCHDAY", "7"},
          {"PURCHMONTH", "Mar"},
          {"PURCHYEAR", "1994"},
          {"COST", "30"}},
         {{"ITEM", "Clock"}, {"PURCHDAY", "7"}, {"PURCHMONTH", "3"}, {"PURCHYEAR", "1994"}}});
    ASSERT_TRUE(ApplyDateFormat(6, false)); // d.m.yy: the user's own format
    m_prompter.answers = {Prompter::Yes, Prompter::Yes};
    conversion::CheckForConversion(m_dir.path(), m_table, m_prompter);

    ASSERT_EQ(m_prompter.asked.size(), 2u);
    EXPECT_EQ(m_prompter.asked[0].title, QStringLiteral("Convert"));
    EXPECT_EQ(m_prompter.asked[0].text,
              QStringLiteral("A database from a previous version (2.X) has been detected.  Would "
                             "you like to convert it now?  NOTE: After conversion the old file "
                             "will be deleted.  You may wish to make a copy of \"H2LOG.DBF\" "
                             "first."));
    EXPECT_EQ(m_prompter.asked[1].text,
              conversion::ConvertQuestion(QStringLiteral("1.X"), QStringLiteral("HLOG.DBF")));
    EXPECT_FALSE(QFile::exists(oldPath("H2LOG.DBF")));
    EXPECT_FALSE(QFile::exists(oldPath("hlog.dbf")));
    EXPECT_TRUE(QFile::exists(oldPath("H2LOG.MDX")));
    EXPECT_EQ(CurrentDateFormat(), 6) << "the user's date format is in force again";

    const auto rows = records();
    ASSERT_EQ(rows.size(), 4u) << "the deleted old record is not carried";
    EXPECT_EQ(rows[0].at(field::Item), QStringLiteral("Lamp"));
    EXPECT_EQ(rows[0].at(field::Location), QStringLiteral("Den"));
    EXPECT_EQ(rows[0].at(field::Warranty), QStringLiteral("Yes"));
    EXPECT_EQ(rows[0].at(field::Owner), QStringLiteral("Pat"));
    m_table.first();
    EXPECT_DOUBLE_EQ(m_table.number(field::Cost), 1250.0);
    EXPECT_DOUBLE_EQ(m_table.number(field::Value), 99.5);
    EXPECT_EQ(m_table.date(field::PurchDate), QDate(1925, 1, 2))
        << "a date survives a two-digit year format";
    EXPECT_EQ(rows[1].at(field::Item), QStringLiteral("Chair"));
    EXPECT_EQ(rows[1].at(field::Quantity), QStringLiteral("4"));
    EXPECT_EQ(rows[2].at(field::Location), QStringLiteral("Kitchen"));
    EXPECT_EQ(rows[2].at(field::RepCost), QString());
    m_table.first();
    m_table.next();
    m_table.next();
    EXPECT_EQ(m_table.date(field::PurchDate), QDate(1994, 3, 7));
    m_table.next();
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("Clock"));
    EXPECT_EQ(m_table.date(field::PurchDate), QDate(1994, 3, 7)) << "month 3 is March";

    // Nothing is asked at the next start.
    ScriptedPrompter again;
    conversion::CheckForConversion(m_dir.path(), m_table, again);
    EXPECT_TRUE(again.asked.empty());
}

TEST_F(Conversion, NoKeepsTheFileAndOtherFilesAreNotOffered) {
    writeTable(oldPath("H2LOG.DBF"), version2Fields(), {{{"ITEM", "Lamp"}}});
    auto room = version1Fields();
    room[5].name = "LOCATION";
    writeTable(oldPath("HLOG.DBF"), room, {{{"ITEM", "Radio"}}});
    m_prompter.answers = {Prompter::No};
    conversion::CheckForConversion(m_dir.path(), m_table, m_prompter);
    ASSERT_EQ(m_prompter.asked.size(), 1u) << "a file without the expected fields is ignored";
    EXPECT_TRUE(QFile::exists(oldPath("H2LOG.DBF")));
    EXPECT_TRUE(QFile::exists(oldPath("HLOG.DBF")));
    EXPECT_EQ(m_table.recordCount(), 0);
}

TEST_F(Conversion, ATwentyFieldFileIsNotOffered) {
    auto twenty = version2Fields();
    twenty.push_back(def("EXTRA", 'C', 5));
    writeTable(oldPath("H2LOG.DBF"), twenty, {{{"ITEM", "Lamp"}}});
    conversion::CheckForConversion(m_dir.path(), m_table, m_prompter);
    EXPECT_TRUE(m_prompter.asked.empty());
    EXPECT_TRUE(QFile::exists(oldPath("H2LOG.DBF")));
}

TEST_F(Conversion, AnUnreadableVersion1DateIsLeftEmptyAndTold) {
    writeTable(
        oldPath("HLOG.DBF"), version1Fields(),
        {{{"ITEM", "Radio"}, {"PURCHDAY", "7"}, {"PURCHMONTH", "MAR"}, {"PURCHYEAR", "1994"}},
         {{"ITEM", "Clock"}, {"PURCHDAY", "31"}, {"PURCHMONTH", "Feb"}, {"PURCHYEAR", "1994"}}});
    m_prompter.answers = {Prompter::Yes};
    conversion::CheckForConversion(m_dir.path(), m_table, m_prompter);
    ASSERT_EQ(m_table.recordCount(), 2);
    m_table.first();
    EXPECT_TRUE(m_table.date(field::PurchDate).isNull());
    EXPECT_EQ(m_table.text(field::Item), QStringLiteral("Radio"));
    ASSERT_EQ(m_prompter.asked.size(), 2u);
    EXPECT_EQ(m_prompter.asked[1].title, QStringLiteral("Notice"));
    EXPECT_EQ(m_prompter.asked[1].text, conversion::kUnreadableNotice.arg(2));
}

} // namespace
