// The batch search and replace commands, checked against a plain evaluation of the same
// criteria over the raw records of a generated file.
#include "app/batch_runner.h"
#include "core/field_catalogue.h"
#include "db/engine/dbf_table.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QTemporaryDir>

#include <functional>
#include <set>

namespace {

using Result = batchtest::Outcome;

class BatchSearchTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("INV.DBF"));
        ASSERT_EQ(run({"generate", m_file, "4000", "--seed", "11"}).status, 0);
    }

    Result run(const QStringList &args) { return batchtest::Run(QDir(m_dir.path()), args); }

    // Record numbers at the start of each output line, in output order.
    static std::vector<std::uint32_t> recnos(const QString &out) {
        std::vector<std::uint32_t> r;
        for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
            r.push_back(line.section(u'|', 0, 0).toUInt());
        return r;
    }

    // The records a predicate over the raw record accepts, read with the engine alone.
    std::set<std::uint32_t>
    where(const std::function<bool(const db::DbfTable &, std::string_view)> &p) {
        db::DbfTable t(m_file.toStdString(), db::OpenMode::ReadOnly);
        std::set<std::uint32_t> out;
        for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
            const std::string_view rec = t.record(r);
            if (!db::DbfTable::isDeleted(rec) && p(t, rec))
                out.insert(r);
        }
        return out;
    }

    QTemporaryDir m_dir;
    QString m_file;
};

std::string upper(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

double number(const db::DbfTable &t, std::string_view rec, int field) {
    return t.number(rec, field).value_or(0.0);
}

TEST_F(BatchSearchTest, MatchesAPlainEvaluationInTheSortOrder) {
    // Every item in the kitchen bought after 1995 worth over 100, or anything of a brand
    // containing "way" that cost between 100 and 500.
    const Result r = run({"search", m_file, "--level", "Location:kitchen", "PurchDate:> 12/31/1995",
                          "Value:> 100", "--level", "brand:WAY", "Cost:> 100 AND < 500"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::set<std::uint32_t> expected = where([](const db::DbfTable &t, std::string_view rec) {
        const bool first =
            upper(t.text(rec, field::Location)).find("KITCHEN") != std::string::npos &&
            t.date(rec, field::PurchDate).value_or("00000000") > "19951231" &&
            number(t, rec, field::Value) > 100;
        const double cost = number(t, rec, field::Cost);
        const bool second = upper(t.text(rec, field::Brand)).find("WAY") != std::string::npos &&
                            cost > 100 && cost < 500;
        return first || second;
    });
    ASSERT_FALSE(expected.empty()) << "the criteria should find something in this file";
    const std::vector<std::uint32_t> got = recnos(r.out);
    EXPECT_EQ(std::set<std::uint32_t>(got.begin(), got.end()), expected);
    EXPECT_EQ(got.size(), expected.size()) << "each record once";
    EXPECT_TRUE(r.err.contains(QString::number(expected.size()) + " records match"))
        << r.err.toStdString();

    // In the sort order: the order of a full dump with the others left out.
    const Result all = run({"dump", m_file, "--recno"});
    std::vector<std::uint32_t> order;
    for (std::uint32_t n : recnos(all.out))
        if (expected.count(n))
            order.push_back(n);
    EXPECT_EQ(got, order);
    // The lines are the dump's lines.
    EXPECT_TRUE(all.out.contains(r.out.section(u'\n', 0, 0) + u'\n'));
}

TEST_F(BatchSearchTest, LessThanADateFindsRecordsWithoutOneAndBadCriteriaAreRefused) {
    const Result r = run({"search", m_file, "--level", "WarDate:< 01/01/1990"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto expected = where([](const db::DbfTable &t, std::string_view rec) {
        const std::optional<std::string> d = t.date(rec, field::WarDate);
        return !d || *d < "19900101";
    });
    const std::vector<std::uint32_t> got = recnos(r.out);
    EXPECT_EQ(std::set<std::uint32_t>(got.begin(), got.end()), expected);

    const Result comma = run({"search", m_file, "--level", "Cost:> 1,5"});
    EXPECT_EQ(comma.status, 1);
    EXPECT_EQ(comma.err.trimmed(),
              QStringLiteral("Error: Invalid search criteria entered.  Please correct."));
    const Result half = run({"search", m_file, "--level", "PurchDate:> 01/01/1990 AND <"});
    EXPECT_EQ(half.status, 1);
    const Result none = run({"search", m_file, "--level", "Cost:="});
    EXPECT_EQ(none.err.trimmed(), QStringLiteral("Error: No search criteria entered."));
    EXPECT_EQ(run({"search", m_file, "--level", "Nosuch:x"}).status, 2);
}

TEST_F(BatchSearchTest, ReplaceChangesWholeValuesAndPrintsTheCounters) {
    const auto kitchens = where([](const db::DbfTable &t, std::string_view rec) {
        return upper(t.text(rec, field::Category)) == "APPLIANCES";
    });
    ASSERT_FALSE(kitchens.empty());
    const Result r = run({"replace", m_file, "Category", "appliances", "White Goods"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("processed: 4000\nfound: %1\nchanged: %1\n").arg(kitchens.size()));
    EXPECT_TRUE(r.err.contains(QStringLiteral("Finished: Global Search and Replace Complete.")));
    EXPECT_EQ(where([](const db::DbfTable &t, std::string_view rec) {
                  return t.text(rec, field::Category) == "White Goods";
              }),
              kitchens);
    // The file is in its sort order again: the dump walks the rebuilt index.
    const Result dump = run({"dump", m_file});
    QString last;
    for (const QString &line : dump.out.split(u'\n', Qt::SkipEmptyParts)) {
        const QString category = line.section(u'|', 11, 11).toUpper();
        ASSERT_GE(category, last);
        last = category;
    }
    const Result bad = run({"replace", m_file, "Cost", "", "5"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.trimmed(),
              QStringLiteral("Error: Invalid search value entered.  Please correct."));
}

} // namespace
