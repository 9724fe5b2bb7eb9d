#include "interchange/export_run.h"

#include "db/inventory_fixture.h"
#include "db/my_table.h"
#include "settings/date_format.h"
#include "settings/settings.h"
#include "support/fake_main_hooks.h"
#include "support/run_program.h"
#include "support/scripted_prompter.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

// Exports read back by readers we did not write: Python's csv module for the text, the
// dBASE oracles for the table.
namespace {

using namespace exporting;
using namespace Qt::StringLiterals;

const QString kPython = QStringLiteral("/usr/bin/python3");

// Reads the table with dbfread and the text export with csv, and compares every value of
// every record: text without its outer blanks, numbers as numbers, dates as m/d/yy.
const char *const kCompare = R"(
import csv, sys
from dbfread import DBF
table = list(DBF(sys.argv[1], encoding='cp1252'))
with open(sys.argv[2], newline='', encoding='cp1252') as f:
    rows = list(csv.reader(f))
titles, rows = rows[0], rows[1:]
assert len(rows) == len(table), (len(rows), len(table))
names = list(table[0].keys())
assert len(titles) == len(names), titles
def expected(v):
    if v is None:
        return ''
    if isinstance(v, str):
        return v.strip(' ')
    if hasattr(v, 'year'):
        return '%d/%d/%02d' % (v.month, v.day, v.year % 100)
    return v
for n, (record, row) in enumerate(zip(table, rows)):
    for name, text in zip(names, row):
        want = expected(record[name])
        got = float(text) if isinstance(want, (int, float)) and text != '' else text
        assert got == want, (n, name, text, record[name])
print('ok', len(rows))
)";

class ExportReaders : public testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo::exists(kPython) || !QFileInfo::exists(QStringLiteral("/usr/bin/dbf_dump")))
            GTEST_SKIP() << "python3 or the Perl XBase oracle is not installed";
        ResetDateFormat();
        m_path = fixture::newInventory(m_dir);
        m_table.open(m_path, MyTable::OpenMode::Exclusive);
        fixture::addGenerated(m_table, 400, 11);
        for (const char *odd : {"a\"b", "  leading", "comma, inside", "\"\"", "   ", "caf\xe9"}) {
            m_table.insert();
            m_table.setText(field::Item, QString::fromLatin1(odd));
            m_table.setText(field::Descriptio, QString::fromLatin1(odd));
            m_table.setText(field::Value, QStringLiteral("-0.5"));
            m_table.post();
        }
        // Physical order, so the export lines up with the table record for record.
        m_table.close();
        m_table.open(m_path);
        m_columns = CalcIndexOrder(m_settings, m_table.layout());
        ASSERT_EQ(m_columns.size(), static_cast<std::size_t>(kFieldCount));
    }

    void exportTo(Format format, const QString &target) {
        Request request;
        request.format = format;
        request.target = target;
        request.columns = m_columns;
        ASSERT_EQ(RunExport({m_table, m_hooks, false}, m_settings, request, m_prompter),
                  Outcome::Done);
    }

    QTemporaryDir m_dir;
    QString m_path;
    MyTable m_table;
    Settings m_settings;
    FakeMainHooks m_hooks;
    ScriptedPrompter m_prompter;
    std::vector<ExportColumn> m_columns;
};

} // namespace

TEST_F(ExportReaders, PythonCsvReadsTheTextExportAsTheTableHoldsIt) {
    const QString out = m_dir.filePath(QStringLiteral("OUT.TXT"));
    exportTo(Format::Text, out);
    const ProgramOutput checked =
        RunProgram(kPython, {QStringLiteral("-c"), QString::fromUtf8(kCompare), m_path, out});
    EXPECT_EQ(checked.status, 0) << checked.err.toStdString();
    EXPECT_EQ(checked.out.trimmed(), QByteArray("ok 406"));
}

TEST_F(ExportReaders, OraclesReadTheDBaseExportWithTheTablesValues) {
    const QString out = m_dir.filePath(QStringLiteral("OUT.DBF"));
    exportTo(Format::DBase, out);
    // The records as each reader decodes them (dbfread and python3-dbf as typed values); the
    // header lines of the Python readers differ where they should (the index flag).
    const auto records = [](const QByteArray &dump) {
        QByteArrayList lines = dump.split('\n');
        lines.removeIf([](const QByteArray &line) { return line.startsWith('#'); });
        return lines.join('\n');
    };
    for (const char *oracle :
         {"xbase_dump.sh", "dbview_dump.sh", "dbfread_dump.py", "pydbf_dump.py"}) {
        const QString script =
            QString::fromLatin1(test_paths::kOraclesDir) + u'/' + QString::fromLatin1(oracle);
        const ProgramOutput source = RunProgram(script, {m_path});
        const ProgramOutput exported = RunProgram(script, {out});
        ASSERT_EQ(exported.status, 0) << oracle << exported.err.toStdString();
        EXPECT_EQ(records(exported.out).count('\n'), 406) << oracle;
        EXPECT_EQ(records(exported.out), records(source.out)) << oracle;
    }
    const ProgramOutput info =
        RunProgram(QStringLiteral("/usr/bin/dbf_dump"), {QStringLiteral("--info"), out});
    EXPECT_TRUE(
        QString::fromUtf8(info.out).contains(QRegularExpression(u"DESCRIPTIO\\s+C\\s+110"_s)))
        << info.out.toStdString();
}
