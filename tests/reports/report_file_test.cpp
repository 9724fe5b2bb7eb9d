#include "reports/report_file.h"

#include "urp_bytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Runs `body` without the rights that ignore file permissions: in a child process as the
// unprivileged user when the tests run as root, in this process otherwise. Returns the
// body's result (the child's exit status).
int withoutPrivileges(const QString &directory, const std::function<int()> &body) {
    if (::geteuid() != 0)
        return body();
    // The unprivileged user must reach the directory; the files keep their own modes.
    (void)::chmod(QFile::encodeName(directory).constData(), 0777);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

ReportDefinition named(const QString &name) {
    ReportDefinition d;
    d.name = name;
    return d;
}

class ReportFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QString urp() const { return file("STOWKP.URP"); }

    QTemporaryDir m_dir;
    ReportFile m_file{m_dir.path()};
};

TEST_F(ReportFileTest, EnsureWritesTheEightBuiltInsOnceAndThenLeavesTheFileAlone) {
    EXPECT_EQ(m_file.ensure(), 0);
    const QByteArray bytes = readFile(urp());
    ASSERT_EQ(bytes.size(), 8 * urpbytes::kRecord);
    EXPECT_EQ(m_file.listNames(),
              QStringList({"Short Narrow Report", "Short Wide Report", "Medium Report",
                           "Medium Large Report", "Full Report", "Warranty Report",
                           "Location & Owner Report", "Statistics/Summary Report"}));
    // A user's change survives the next start: the file is not written again.
    ReportDefinition mine = m_file.read(2);
    mine.titles[0] = QStringLiteral("Mine");
    m_file.overwrite(2, mine);
    const QByteArray changed = readFile(urp());
    EXPECT_EQ(m_file.ensure(), 0);
    EXPECT_EQ(readFile(urp()), changed);
    EXPECT_FALSE(QFileInfo::exists(file("HOME.URP")));
}

TEST_F(ReportFileTest, FindsTheFileWhateverTheCaseOfItsName) {
    writeFile(file("stowkp.urp"), urp::Serialize(named(QStringLiteral("lower"))));
    EXPECT_EQ(m_file.ensure(), 0);
    EXPECT_EQ(m_file.listNames(), QStringList{"lower"});
    EXPECT_FALSE(QFileInfo::exists(urp()));
}

TEST_F(ReportFileTest, AppendOverwriteAndReadAddressDefinitionsByIndex) {
    // No file yet: listing is empty and silent, reading names the missing file, appending
    // creates it.
    EXPECT_TRUE(m_file.listNames().isEmpty());
    EXPECT_EQ(m_file.count(), 0);
    try {
        (void)m_file.read(0);
        ADD_FAILURE() << "read of a missing file";
    } catch (const ReportFileError &e) {
        EXPECT_EQ(e.kind(), ReportFileError::Kind::CannotOpen);
    }
    // Names need not be unique, and may be empty.
    EXPECT_EQ(m_file.append(named(QStringLiteral("Same"))), 0);
    EXPECT_EQ(m_file.append(named(QString())), 1);
    ReportDefinition second = named(QStringLiteral("Same"));
    second.charsPerLine = 150;
    EXPECT_EQ(m_file.append(second), 2);
    EXPECT_EQ(m_file.listNames(), QStringList({"Same", "", "Same"}));
    EXPECT_EQ(m_file.read(0).charsPerLine, 120);
    EXPECT_EQ(m_file.read(2).charsPerLine, 150);
    EXPECT_EQ(m_file.read(1).name, QString());

    ReportDefinition changed = named(QStringLiteral("Changed"));
    changed.numLines = 5;
    m_file.overwrite(1, changed);
    EXPECT_EQ(m_file.read(1), changed);
    EXPECT_EQ(m_file.listNames(), QStringList({"Same", "Changed", "Same"}));
    EXPECT_THROW((void)m_file.read(3), ReportFileError);
    EXPECT_THROW(m_file.overwrite(7, changed), ReportFileError);
}

TEST_F(ReportFileTest, DeleteMovesLaterDefinitionsDownAndTruncates) {
    for (const char *n : {"A", "B", "C", "D"})
        (void)m_file.append(named(QLatin1String(n)));
    const QByteArray before = readFile(urp());
    m_file.remove(3); // the last: the file is only cut
    EXPECT_EQ(readFile(urp()), before.left(3 * urpbytes::kRecord));
    m_file.remove(1);
    EXPECT_EQ(m_file.listNames(), QStringList({"A", "C"}));
    EXPECT_EQ(readFile(urp()), before.left(urpbytes::kRecord) +
                                   before.mid(2 * urpbytes::kRecord, urpbytes::kRecord));
    m_file.remove(0);
    m_file.remove(0); // index 0 of a one-record file
    EXPECT_TRUE(QFileInfo::exists(urp()));
    EXPECT_EQ(QFileInfo(urp()).size(), 0);
    EXPECT_TRUE(m_file.listNames().isEmpty());
    EXPECT_THROW(m_file.remove(0), ReportFileError);
}

TEST_F(ReportFileTest, AFileThatMayNotBeWrittenIsNeverReplaced) {
    (void)m_file.append(named(QStringLiteral("Kept")));
    const QByteArray before = readFile(urp());
    ASSERT_EQ(::chmod(QFile::encodeName(urp()).constData(), 0444), 0);
    // The directory stays writable: a rename into place would succeed, so only the check
    // of the file itself keeps it.
    const int result = withoutPrivileges(m_dir.path(), [this] {
        int refused = 0;
        try {
            (void)m_file.append(named(QStringLiteral("New")));
        } catch (const ReportFileError &e) {
            refused += e.kind() == ReportFileError::Kind::Io &&
                       QString::fromStdString(e.what()).contains(QLatin1String("STOWKP.URP"));
        }
        try {
            m_file.remove(0);
        } catch (const ReportFileError &) {
            ++refused;
        }
        try {
            m_file.overwrite(0, named(QStringLiteral("Other")));
        } catch (const ReportFileError &) {
            ++refused;
        }
        return refused;
    });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(readFile(urp()), before);
    EXPECT_EQ(m_file.listNames(), QStringList{"Kept"});
}

TEST_F(ReportFileTest, AChangeKeepsTheFilesPermissionsAndDropsATornTail) {
    (void)m_file.append(named(QStringLiteral("One")));
    QByteArray bytes = readFile(urp());
    writeFile(urp(), bytes + QByteArray(100, 'x'));
    ASSERT_TRUE(QFile::setPermissions(urp(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(m_file.count(), 1);
    EXPECT_EQ(m_file.append(named(QStringLiteral("Two"))), 1);
    EXPECT_EQ(QFileInfo(urp()).size(), 2 * urpbytes::kRecord);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(urp()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(m_file.listNames(), QStringList({"One", "Two"}));
}

TEST_F(ReportFileTest, EarlierDefinitionsAreConvertedAfterTheBuiltInsAndTheOldFileGoes) {
    urpbytes::OldDefinition skipped;
    skipped.name = "Full Report"; // an earlier built-in, exactly
    urpbytes::OldDefinition kept;
    kept.name = "Full report"; // differs in case: the user's own
    kept.cpl = 90;
    kept.lines = 2;
    kept.headers = false;
    kept.titles[0] = "My things";
    kept.titles[2] = "Third";
    // Old field-number bytes are not trusted: they are wrong here on purpose.
    kept.body = {{{"Item", 9, 40, ""}, {"<LABEL>", 3, 10, "Cost:"}, {"COST", 0, 40, ""}},
                 {{"Owner", 0, 50, ""}, {"Nonsense", 200, 40, ""}}};
    kept.totalsLine = {
        {"<LABEL>", 0, 10, "Total"}, {"Replacement Cost", 0, 20, ""}, {"quantity", 7, 20, ""}};
    urpbytes::OldDefinition wide;
    wide.name = "Wide one";
    wide.cpl = 120;
    QByteArray old =
        urpbytes::oldRecord(skipped) + urpbytes::oldRecord(kept) + urpbytes::oldRecord(wide);
    writeFile(file("HOME.URP"), old + QByteArray(50, '\0')); // a partial record at the end

    EXPECT_EQ(m_file.ensure(), 2);
    EXPECT_FALSE(QFileInfo::exists(file("HOME.URP")));
    const QStringList names = m_file.listNames();
    ASSERT_EQ(names.size(), 10);
    EXPECT_EQ(names[4], u"Full Report");
    EXPECT_EQ(names[8], u"Full report");
    EXPECT_EQ(names[9], u"Wide one");

    const ReportDefinition d = m_file.read(8);
    EXPECT_EQ(d.charsPerLine, 90);
    EXPECT_FALSE(d.columnHeaders);
    EXPECT_TRUE(d.pageNumbers && d.useTotals && d.dateOnPages && d.level1Group);
    EXPECT_FALSE(d.landscape || d.vertLines || d.horzLines || d.level2Group);
    EXPECT_EQ(d.numLines, 2);
    EXPECT_EQ(d.titles[0], u"My things");
    EXPECT_EQ(d.titles[1], QString());
    EXPECT_EQ(d.titles[2], u"Third");
    EXPECT_EQ(d.topMargin, 0.5);
    EXPECT_EQ(d.rightMargin, 0.5);
    for (int f = 1; f <= 5; ++f) {
        EXPECT_EQ(d.font(f).name, u"Courier New");
        EXPECT_EQ(d.font(f).size, 10);
        EXPECT_EQ(d.font(f).bold, f == 1 || f == 2 || f == 5) << "font " << f;
        EXPECT_FALSE(d.font(f).italic || d.font(f).underline || d.font(f).strikeout);
    }
    // Field numbers from the part names: field keys ignoring case, total names.
    EXPECT_EQ(d.bodyLine(1)[0].fieldNumber, 1);
    EXPECT_EQ(d.bodyLine(1)[1].label, u"Cost:");
    EXPECT_EQ(d.bodyLine(1)[1].fieldNumber, 0);
    EXPECT_EQ(d.bodyLine(1)[2].name, u"COST");
    EXPECT_EQ(d.bodyLine(1)[2].fieldNumber, 11);
    EXPECT_EQ(d.bodyLine(2)[0].fieldNumber, 17);
    EXPECT_EQ(d.bodyLine(2)[1].fieldNumber, 0);
    EXPECT_EQ(d.bodyLine(3)[0].width, 150);
    EXPECT_EQ(d.totals[1].fieldNumber, 3);
    EXPECT_EQ(d.totals[2].fieldNumber, 4);
    EXPECT_EQ(d.reserved, QByteArray(urp::kReservedSize, '\0'));
    EXPECT_EQ(m_file.read(9).font(3).size, 8);
}

TEST_F(ReportFileTest, EarlierFileStaysWhenItsDefinitionsCannotBeWritten) {
    m_file.ensure();
    urpbytes::OldDefinition mine;
    mine.name = "Mine";
    writeFile(file("HOME.URP"), urpbytes::oldRecord(mine));
    ASSERT_EQ(::chmod(QFile::encodeName(urp()).constData(), 0444), 0);
    EXPECT_EQ(withoutPrivileges(m_dir.path(), [this] { return m_file.convertEarlier(); }), 0);
    EXPECT_TRUE(QFileInfo::exists(file("HOME.URP")));
    EXPECT_EQ(m_file.count(), 8);
}

// A child process changes the file over and over and is killed at a random moment. The
// file must then hold whole definitions, each exactly once: either the state before the
// change that was under way or the state after it.
TEST_F(ReportFileTest, AKilledWriterLeavesTheOldFileOrTheNew) {
    constexpr int kCount = 40;
    for (int i = 0; i < kCount; ++i) {
        ReportDefinition d = named(QStringLiteral("R%1").arg(i));
        d.titles[0] = QString(80, QLatin1Char(static_cast<char>('a' + i % 26)));
        (void)m_file.append(d);
    }
    std::mt19937 random(static_cast<unsigned>(::getpid()));
    for (int round = 0; round < 6; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(ready[0]);
            const char go = 1;
            (void)!::write(ready[1], &go, 1);
            try {
                // Rotate: delete the first definition and append it again at the end, and
                // overwrite one in the middle with itself.
                for (;;) {
                    ReportDefinition first = m_file.read(0);
                    m_file.remove(0);
                    (void)m_file.append(first);
                    m_file.overwrite(kCount / 2, m_file.read(kCount / 2));
                }
            } catch (...) {
                ::_exit(1);
            }
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(
            std::chrono::microseconds(2000 + random() % 30000)); // where the kill lands
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        const QByteArray bytes = readFile(urp());
        ASSERT_EQ(bytes.size() % urpbytes::kRecord, 0) << "a torn definition";
        const int records = static_cast<int>(bytes.size() / urpbytes::kRecord);
        ASSERT_TRUE(records == kCount || records == kCount - 1) << records;
        std::set<QString> names;
        for (int r = 0; r < records; ++r) {
            const QByteArray rec = bytes.mid(qsizetype(r) * urpbytes::kRecord, urpbytes::kRecord);
            const std::optional<ReportDefinition> d = urp::Parse(rec);
            ASSERT_TRUE(d);
            EXPECT_EQ(urp::Serialize(*d), rec) << "definition " << r << " is damaged";
            EXPECT_TRUE(names.insert(d->name).second) << d->name.toStdString() << " twice";
        }
        if (records == kCount - 1) {
            // Killed between the delete and the append: put the missing one back.
            for (int i = 0; i < kCount; ++i)
                if (!names.count(QStringLiteral("R%1").arg(i))) {
                    ReportDefinition d = named(QStringLiteral("R%1").arg(i));
                    d.titles[0] = QString(80, QLatin1Char(static_cast<char>('a' + i % 26)));
                    (void)m_file.append(d);
                }
        }
        ASSERT_EQ(m_file.count(), kCount);
    }
    // Killed writers may leave their unfinished copy beside the file, never in its place.
    for (const QString &entry : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
        if (entry != u"STOWKP.URP") {
            EXPECT_TRUE(entry.startsWith(u".STOWKP.URP.")) << entry.toStdString();
        }
}

} // namespace
