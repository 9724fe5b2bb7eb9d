#include "app/batch_runner.h"
#include "settings/profile_file.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using batchtest::Outcome;

// The temporary directory is the program directory of the runs; "media" beside the files
// stands for the backup medium.
class BatchBackupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QDir(m_dir.path()).mkdir(QStringLiteral("media"));
    }
    Outcome run(const QStringList &args) { return batchtest::Run(QDir(m_dir.path()), args); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString media(const QString &name = {}) const { return file(QStringLiteral("media/") + name); }
    static QByteArray read(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void write(const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir m_dir;
};

TEST_F(BatchBackupTest, BackupCopiesTheChosenFilesAndRefusesTheirOwnDirectory) {
    ASSERT_EQ(run({"generate", file("HOUSE.DBF"), "25"}).status, 0);
    Outcome r = run({"backup", "--dbf", file("HOUSE.DBF"), media()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Notice: Backup completed successfully.")) << r.err.toStdString();
    EXPECT_EQ(read(media("HOUSE.DBF")), read(file("HOUSE.DBF")));
    EXPECT_FALSE(QFile::exists(media("HOUSE.MDX")));

    write(file("BRAND.LST"), "Acme\r\n");
    r = run({"backup", "--lists", m_dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Error: Destination File and Source File are identical."))
        << r.err.toStdString();
    r = run({"backup", "--lists", media()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read(media("BRAND.LST")), QByteArray("Acme\r\n"));
}

TEST_F(BatchBackupTest, RestoreOfAnInventoryMakesItTheLastDatabaseWithItsSortIndex) {
    const QString home = file("HOME.DBF");
    write(
        file("STOWKP.INI"),
        ("[Sort Order]\r\nPrimary Sort=1\r\n[Misc]\r\nLast Database=" + home + "\r\n").toLatin1());
    ASSERT_EQ(run({"generate", media("OLD.DBF"), "12"}).status, 0);
    QFile::remove(media("OLD.MDX"));
    const Outcome r = run({"restore", "--dbf", media("OLD.DBF")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Notice: Restore completed successfully."));
    const QString restored = file("OLD.DBF");
    EXPECT_EQ(ProfileFile::load(file("STOWKP.INI")).value("Misc", "Last Database"), restored);
    // The file the restore took the place of is the first recent file, as in the window.
    EXPECT_EQ(ProfileFile::load(file("STOWKP.INI")).value("Misc", "Last File 1"), home);
    const Outcome info = run({"info", restored});
    EXPECT_TRUE(info.out.contains("NewIndex", Qt::CaseInsensitive)) << info.out.toStdString();
    EXPECT_EQ(run({"check", restored}).status, 0);
}

TEST_F(BatchBackupTest, RestoreOfListsFromADirectoryWarnsOfMissingFiles) {
    write(media("BRAND.LST"), "Acme\r\n");
    const Outcome r = run({"restore", "--lists", media()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count("Warning: The following file"), 4) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Notice: One or more files were not restored."));
    EXPECT_EQ(read(file("BRAND.LST")), QByteArray("Acme\r\n"));
}

TEST_F(BatchBackupTest, WrongCommandLinesShowTheUsage) {
    for (const QStringList &args :
         {QStringList{"backup", media()}, QStringList{"backup", "--lists", "--reports", media()},
          QStringList{"backup", "--dbf"}, QStringList{"restore", "--lists"},
          QStringList{"restore", "--dbf", "A.DBF", "B.DBF"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: stowkeep-batch")) << r.err.toStdString();
    }
    EXPECT_EQ(run({"restore", "--reports", media("NONE")}).status, 1);
}

} // namespace
