// `stowkeep-batch check` reads and reports; only `reindex` repairs.
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

struct FileState {
    QByteArray bytes;
    std::int64_t mtimeNs = -1;
    bool operator==(const FileState &) const = default;
};

class BatchCheckTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::exists(QString::fromLatin1(test_paths::kBatchExe)))
            << "build stowkeep-batch first";
    }

    Outcome run(QStringList args) {
        args << QStringLiteral("--config") << m_dir.filePath(QStringLiteral("STOWKP.INI"))
             << QStringLiteral("--data-dir") << m_dir.path();
        QProcess p;
        p.start(QString::fromLatin1(test_paths::kBatchExe), args);
        Outcome r;
        if (!p.waitForFinished(120000))
            return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    static FileState stateOf(const QString &path) {
        FileState s;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            s.bytes = f.readAll();
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0)
            s.mtimeNs =
                static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        return s;
    }

    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_dir;
};

TEST_F(BatchCheckTest, CheckChangesNothingAndReindexRepairs) {
    ASSERT_EQ(run({QStringLiteral("generate"), file("INV.DBF"), QStringLiteral("200")}).status, 0);
    Outcome r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("INV.DBF: an inventory file\n")));

    // Without its index the table used to be repaired by the check itself.
    ASSERT_TRUE(QFile::remove(file("INV.MDX")));
    const FileState before = stateOf(file("INV.DBF"));
    r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.contains(QStringLiteral("an inventory file with faults")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("fault: The production index INV.MDX is missing.")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("reindex would: clear the index flag")))
        << r.out.toStdString();
    EXPECT_TRUE(stateOf(file("INV.DBF")) == before) << "check wrote to the file it checks";
    EXPECT_FALSE(QFile::exists(file("INV.MDX")));

    r = run({QStringLiteral("reindex"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(file("INV.MDX")));
    r = run({QStringLiteral("check"), file("INV.DBF")});
    EXPECT_EQ(r.status, 0) << r.out.toStdString();
    r = run({QStringLiteral("info"), file("INV.DBF")});
    EXPECT_TRUE(r.out.contains(QStringLiteral("NEWINDEX C(20) Upper(Left(Category,80))")))
        << r.out.toStdString();

    // A sound file is not touched either.
    const FileState sound = stateOf(file("INV.DBF"));
    const FileState soundIndex = stateOf(file("INV.MDX"));
    ASSERT_EQ(run({QStringLiteral("check"), file("INV.DBF")}).status, 0);
    EXPECT_TRUE(stateOf(file("INV.DBF")) == sound);
    EXPECT_TRUE(stateOf(file("INV.MDX")) == soundIndex);
}

} // namespace
