#include "core/case_insensitive_path.h"
#include "settings/config_location.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Sets an environment variable (a null text clears it) until the end of the scope.
class EnvVar {
public:
    EnvVar(const char *name, const QString &value)
        : m_name(name), m_wasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        set(value);
    }
    ~EnvVar() { m_wasSet ? qputenv(m_name, m_old) : qunsetenv(m_name); }
    void set(const QString &value) {
        value.isNull() ? qunsetenv(m_name) : qputenv(m_name, value.toLocal8Bit());
    }

private:
    const char *m_name;
    bool m_wasSet;
    QByteArray m_old;
};

void touch(const QString &path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

} // namespace

TEST(ConfigLocation, FollowsTheXdgDirectories) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const EnvVar homeVar("HOME", home.path());
    EnvVar config("XDG_CONFIG_HOME", {});
    EnvVar data("XDG_DATA_HOME", {});

    ConfigLocation location;
    EXPECT_EQ(location.configFile(), home.path() + u"/.config/stowkeep/STOWKP.INI"_s);
    EXPECT_EQ(location.programDirectory(), home.path() + u"/.local/share/stowkeep"_s);

    config.set(home.filePath("cfg/"));
    data.set(home.filePath("data"));
    EXPECT_EQ(ConfigLocation().configFile(), home.path() + u"/cfg/stowkeep/STOWKP.INI"_s);
    EXPECT_EQ(ConfigLocation().programDirectory(), home.path() + u"/data/stowkeep"_s);

    // Relative base directories are not valid and fall back to the home directory.
    config.set(u"relative/cfg"_s);
    EXPECT_EQ(ConfigLocation().configFile(), home.path() + u"/.config/stowkeep/STOWKP.INI"_s);
}

TEST(ConfigLocation, ExplicitPathsWinAndTheDataDirectoryIsMadeOnDemand) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const EnvVar config("XDG_CONFIG_HOME", home.filePath("cfg"));
    const EnvVar data("XDG_DATA_HOME", home.filePath("data"));

    ConfigLocation location;
    location.setConfigFile(home.filePath("mine.ini"));
    location.setProgramDirectory(home.filePath("prog/dir/"));
    EXPECT_EQ(location.configFile(), home.filePath("mine.ini"));
    EXPECT_EQ(location.programDirectory(), home.filePath("prog/dir"));
    EXPECT_FALSE(QFileInfo::exists(location.programDirectory()));
    ASSERT_TRUE(location.ensureProgramDirectory());
    EXPECT_TRUE(QFileInfo(location.programDirectory()).isDir());

    location.setConfigFile({});
    location.setProgramDirectory({});
    EXPECT_EQ(location.configFile(), home.path() + u"/cfg/stowkeep/STOWKP.INI"_s);
    EXPECT_EQ(location.programDirectory(), home.path() + u"/data/stowkeep"_s);

    // A plain file in the way cannot become the program directory.
    touch(home.filePath("blocked"));
    location.setProgramDirectory(home.filePath("blocked"));
    EXPECT_FALSE(location.ensureProgramDirectory());
}

TEST(ConfigLocation, FindsACopiedConfigurationFileWhateverItsCase) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const EnvVar config("XDG_CONFIG_HOME", home.path());
    ASSERT_TRUE(QDir(home.path()).mkpath("stowkeep"));
    touch(home.filePath("stowkeep/stowkp.ini"));
    EXPECT_EQ(ConfigLocation().configFile(), home.filePath("stowkeep/stowkp.ini"));
}

TEST(CaseInsensitivePath, PrefersTheExactNameAndFindsOtherSpellings) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    touch(dir.filePath("master.dbf"));
    touch(dir.filePath("Master.DBF"));
    touch(dir.filePath("BRAND.LST"));
    touch(dir.filePath("Brand.lst.bak"));

    EXPECT_EQ(findCaseInsensitive(dir.path(), u"Master.DBF"_s), dir.filePath("Master.DBF"));
    // Two other spellings: the first in byte order, so the choice does not depend on the
    // order the directory lists its entries in.
    EXPECT_EQ(findCaseInsensitive(dir.path(), u"MASTER.DBF"_s), dir.filePath("Master.DBF"));
    EXPECT_EQ(findCaseInsensitive(dir.path(), u"brand.lst"_s), dir.filePath("BRAND.LST"));
    EXPECT_EQ(findCaseInsensitive(dir.path(), u"OWNER.LST"_s), std::nullopt);
    EXPECT_EQ(findCaseInsensitive(dir.path(), u"../BRAND.LST"_s), std::nullopt);
    EXPECT_EQ(findCaseInsensitive(dir.filePath("absent"), u"BRAND.LST"_s), std::nullopt);

    EXPECT_EQ(resolveCaseInsensitive(dir.path(), u"brand.LST"_s), dir.filePath("BRAND.LST"));
    EXPECT_EQ(resolveCaseInsensitive(dir.path(), u"OWNER.LST"_s), dir.filePath("OWNER.LST"));
}
