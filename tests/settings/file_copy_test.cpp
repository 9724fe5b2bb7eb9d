#include "settings/file_copy.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

class FileCopyTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray read(const QString &name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(FileCopyTest, CopiesEverySizeAroundTheBlockExactly) {
    for (int size : {0, 1, 2047, 2048, 2049, 4096, 5000}) {
        SCOPED_TRACE(size);
        write(QStringLiteral("src"), Pattern(size));
        ASSERT_TRUE(CopyFile(path(QStringLiteral("src")), path(QStringLiteral("dst"))));
        EXPECT_EQ(read(QStringLiteral("dst")), Pattern(size));
    }
}

TEST_F(FileCopyTest, OverwritesALongerDestination) {
    write(QStringLiteral("src"), "short");
    write(QStringLiteral("dst"), Pattern(5000));
    ASSERT_TRUE(CopyFile(path(QStringLiteral("src")), path(QStringLiteral("dst"))));
    EXPECT_EQ(read(QStringLiteral("dst")), QByteArray("short"));
}

TEST_F(FileCopyTest, UnopenableEndsReturnFalseAndCreateNothing) {
    write(QStringLiteral("src"), Pattern(100));
    EXPECT_FALSE(CopyFile(path(QStringLiteral("missing")), path(QStringLiteral("dst"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("dst"))));

    EXPECT_FALSE(CopyFile(path(QStringLiteral("src")), path(QStringLiteral("nodir/dst"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("nodir"))));

    // A directory is not a file to copy from, nor one to copy onto.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("sub")));
    EXPECT_FALSE(CopyFile(path(QStringLiteral("sub")), path(QStringLiteral("dst"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("dst"))));
    EXPECT_FALSE(CopyFile(path(QStringLiteral("src")), path(QStringLiteral("sub"))));
    EXPECT_FALSE(CopyFile(QString(), path(QStringLiteral("dst"))));
    EXPECT_EQ(read(QStringLiteral("src")), Pattern(100));
}

TEST_F(FileCopyTest, ReadOnlyDestinationReturnsFalseAndKeepsIt) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    write(QStringLiteral("src"), Pattern(10));
    write(QStringLiteral("dst"), "keep");
    ASSERT_EQ(::chmod(QFile::encodeName(path(QStringLiteral("dst"))).constData(), 0444), 0);
    EXPECT_FALSE(CopyFile(path(QStringLiteral("src")), path(QStringLiteral("dst"))));
    EXPECT_EQ(read(QStringLiteral("dst")), QByteArray("keep"));
}

// Each case gives another name for "data"; copying onto it must be refused untouched.
struct SameFileCase {
    const char *name;
    std::function<QString(const QString &dir)> otherName;
};

void PrintTo(const SameFileCase &c, std::ostream *os) {
    *os << c.name;
}

class CopyOntoItself : public FileCopyTest, public testing::WithParamInterface<SameFileCase> {};

TEST_P(CopyOntoItself, IsRefusedAndTheFileStaysIntact) {
    const QByteArray content = Pattern(5000);
    write(QStringLiteral("data"), content);
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("a")));
    const QString other = GetParam().otherName(m_dir.path());
    ASSERT_FALSE(other.isEmpty());

    EXPECT_FALSE(CopyFile(path(QStringLiteral("data")), other));
    EXPECT_EQ(read(QStringLiteral("data")), content);
    EXPECT_FALSE(CopyFile(other, path(QStringLiteral("data"))));
    EXPECT_EQ(read(QStringLiteral("data")), content);
}

QString Link(const QString &dir, bool symbolic) {
    const QByteArray target = QFile::encodeName(dir + QStringLiteral("/data"));
    const QString link = dir + QStringLiteral("/link");
    const int rc = symbolic ? ::symlink(target.constData(), QFile::encodeName(link).constData())
                            : ::link(target.constData(), QFile::encodeName(link).constData());
    return rc == 0 ? link : QString();
}

INSTANTIATE_TEST_SUITE_P(
    Names, CopyOntoItself,
    testing::Values(
        SameFileCase{"SameName",
                     [](const QString &d) -> QString { return d + QStringLiteral("/data"); }},
        SameFileCase{"DotDot",
                     [](const QString &d) -> QString { return d + QStringLiteral("/a/../data"); }},
        SameFileCase{"DotAndSlashes",
                     [](const QString &d) -> QString { return d + QStringLiteral("/.//./data"); }},
        SameFileCase{"Relative",
                     [](const QString &d) -> QString {
                         return QDir::current().relativeFilePath(d + QStringLiteral("/data"));
                     }},
        SameFileCase{"Symlink", [](const QString &d) -> QString { return Link(d, true); }},
        SameFileCase{"HardLink", [](const QString &d) -> QString { return Link(d, false); }},
        SameFileCase{"ThroughLinkedDirectory",
                     [](const QString &d) -> QString {
                         const QString linkDir = d + QStringLiteral("/alias");
                         if (::symlink(QFile::encodeName(d).constData(),
                                       QFile::encodeName(linkDir).constData()) != 0)
                             return QString();
                         return linkDir + QStringLiteral("/data");
                     }}),
    [](const testing::TestParamInfo<SameFileCase> &p) { return std::string(p.param.name); });

TEST_F(FileCopyTest, WriteFailureThrowsAndLeavesNoPartialCopy) {
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    write(QStringLiteral("src"), Pattern(5000));
    try {
        (void)CopyFile(path(QStringLiteral("src")), QStringLiteral("/dev/full"));
        FAIL() << "a full device must not report success";
    } catch (const IoError &e) {
        EXPECT_EQ(e.path(), QStringLiteral("/dev/full"));
        EXPECT_EQ(e.errorCode(), ENOSPC);
        EXPECT_NE(std::string(e.what()).find("/dev/full"), std::string::npos);
    }
    EXPECT_EQ(read(QStringLiteral("src")), Pattern(5000));
}

// A file size limit makes the write fail part-way through a regular file.
TEST_F(FileCopyTest, FailureHalfWayRemovesTheTruncatedCopy) {
    write(QStringLiteral("src"), Pattern(5000));
    write(QStringLiteral("dst"), "old");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 3000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int error = 0;
    try {
        (void)CopyFile(path(QStringLiteral("src")), path(QStringLiteral("dst")));
    } catch (const IoError &e) {
        error = e.errorCode();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(error, EFBIG);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("dst"))));
    EXPECT_EQ(read(QStringLiteral("src")), Pattern(5000));
}

} // namespace
