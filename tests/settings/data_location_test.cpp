#include "settings/data_location.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// An installation under <tmp>/prefix, its executable folder prefix/bin, and a user's program
// directory apart from it.
class DataLocationTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(bin()));
        ASSERT_TRUE(QDir().mkpath(installed()));
        ASSERT_TRUE(QDir().mkpath(user()));
    }

    QString bin() const { return m_root.filePath(u"prefix/bin"_s); }
    QString installed() const { return m_root.filePath(u"prefix/share/stowkeep"_s); }
    QString user() const { return m_root.filePath(u"home/.local/share/stowkeep"_s); }

    static QString touch(const QString &folder, const QString &name) {
        const QString path = folder + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        return path;
    }

    QString findHelp() const { return data_location::find(u"STOWKP.HLP"_s, user(), bin()); }

    QTemporaryDir m_root;
};

} // namespace

TEST_F(DataLocationTest, InstalledFileIsFoundFromTheExecutablesFolder) {
    const QString hlp = touch(installed(), u"STOWKP.HLP"_s);
    EXPECT_EQ(findHelp(), hlp);
    // The path is clean, without the "bin/.." it was found through.
    EXPECT_FALSE(findHelp().contains(u".."_s));
}

TEST_F(DataLocationTest, LookupOrderIsProgramDirectoryThenInstalledThenBesideTheExecutable) {
    const QString beside = touch(bin(), u"STOWKP.HLP"_s);
    EXPECT_EQ(findHelp(), beside);
    const QString hlp = touch(installed(), u"STOWKP.HLP"_s);
    EXPECT_EQ(findHelp(), hlp);
    // A copy from Windows in the program directory, its name in lower case, wins.
    const QString own = touch(user(), u"stowkp.hlp"_s);
    EXPECT_EQ(findHelp(), own);

    EXPECT_EQ(data_location::searchFolders(user(), bin()),
              (QStringList{user(), installed(), bin()}));
}

TEST_F(DataLocationTest, NothingFoundLeavesTheBuiltInCopy) {
    EXPECT_EQ(findHelp(), QString());
    // A folder of that name is not a help file.
    ASSERT_TRUE(QDir().mkpath(installed() + u"/STOWKP.HLP"_s));
    EXPECT_EQ(findHelp(), QString());
    // Neither is a file of another name.
    touch(installed(), u"STOWKP.HLP.orig"_s);
    EXPECT_EQ(findHelp(), QString());
}

TEST_F(DataLocationTest, FoldersAreSearchedOnceAndEmptyOnesSkipped) {
    // Run from a folder that is also the program directory (an unpacked copy).
    EXPECT_EQ(data_location::searchFolders(bin() + u'/', bin()), (QStringList{bin(), installed()}));
    EXPECT_EQ(data_location::searchFolders(user(), QString()), QStringList{user()});
    EXPECT_EQ(data_location::searchFolders(QString(), bin()), (QStringList{installed(), bin()}));
}
