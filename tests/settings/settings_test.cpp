#include "settings/settings.h"

#include "test_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// A save writes a new file and renames it over the old one: a new inode.
ino_t inodeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fixturePath(const char *name = "STOWKP.INI") {
    return QString::fromUtf8(test_paths::kSourceDir) + u"/tests/settings/data/"_s +
           QString::fromLatin1(name);
}

Settings loadedFrom(const QByteArray &ini) {
    Settings settings(u"/home/user"_s);
    settings.load(ProfileFile::fromBytes(ini));
    return settings;
}

} // namespace

TEST(Settings, FirstStartWritesEveryKeyWithItsDefault) {
    Settings settings(u"/home/user/work/"_s);
    // Values from an earlier load must not survive a load of a file that lacks them.
    settings.mainLeft = 99;
    settings.fieldNames[3] = u"Changed"_s;
    settings.colorSets[4].colors[12] = 7;
    settings.load(ProfileFile());
    EXPECT_EQ(settings.sortLevels, (std::array<int, 4>{12, 0, 0, 0}));
    EXPECT_EQ(settings.lastImportFile, u"/home/user/work"_s);

    ProfileFile out;
    settings.save(out);
    EXPECT_EQ(out.toBytes().toStdString(), readFile(fixturePath("first_start.ini")).toStdString());
}

TEST(Settings, FlagsAreTrueOnlyForYes) {
    const struct {
        const char *stored;
        bool expected;
    } cases[] = {{"Yes", true}, {"yes", true},   {"YES", true},    {" yEs ", true},
                 {"Y", false},  {"1", false},    {"", false},      {"Yess", false},
                 {"No", false}, {"True", false}, {"\"yes\"", true}};
    for (const auto &c : cases) {
        const Settings s = loadedFrom(QByteArray("[Misc]\r\nShow Tips=") + c.stored +
                                      "\r\n[Grid Options]\r\nField Editing=" + c.stored);
        EXPECT_EQ(s.showTips, c.expected) << c.stored;
        EXPECT_EQ(s.gridFieldEditing, c.expected) << c.stored;
    }
    // A missing key is not an empty one: it takes the default.
    EXPECT_TRUE(loadedFrom("[Misc]\r\n").showTips);
}

TEST(Settings, TextsAreCutToTheirLengths) {
    const QByteArray longText(300, 'x');
    const Settings s = loadedFrom("[Field Names]\r\nItem=A very long display name indeed\r\n"
                                  "[Misc]\r\nLast Database=" +
                                  longText + "\r\n[Reports]\r\nInsurance Company=" + longText +
                                  "\r\nPolicy Number=" + longText + "\r\nYour Name=" + longText +
                                  "\r\n[Label Font]\r\nFont Name=" + longText);
    EXPECT_EQ(s.fieldNames[field::Item], u"A very long display "_s);
    EXPECT_EQ(s.lastDatabase.size(), 249);
    EXPECT_EQ(s.insuranceCompany.size(), 40);
    EXPECT_EQ(s.policyNumber.size(), 20);
    EXPECT_EQ(s.yourName.size(), 30);
    EXPECT_EQ(s.labelFont.name.size(), 149);
}

TEST(Settings, NumbersAndColoursParseTheirLeadingDigits) {
    const Settings s = loadedFrom("[Misc]\r\nButton Bar=12abc\r\nWindow Size=abc\r\n"
                                  "Main Window Left= -5\r\nMain Window Width=\r\n"
                                  "[Grid Title]\r\nBackground Color=-2147483633\r\n"
                                  "[Grid Options]\r\nCell Color=16777215junk\r\n"
                                  "[Sort Order]\r\nPrimary Sort=3\r\nFourth Level Sort=22\r\n");
    EXPECT_EQ(s.buttonBar, 12);
    EXPECT_EQ(s.windowSize, 0);
    EXPECT_EQ(s.mainLeft, -5);
    EXPECT_EQ(s.mainWidth, 0);
    EXPECT_EQ(s.gridTitleColor, 0x8000000Fu);
    EXPECT_EQ(s.gridCellColor, kWhite);
    EXPECT_EQ(s.sortLevels, (std::array<int, 4>{3, 0, 0, 22}));

    // System colours go back out in the signed form the earlier program wrote.
    ProfileFile out;
    s.save(out);
    EXPECT_EQ(out.value("Grid Title", "Background Color"), u"-2147483633"_s);
}

TEST(Settings, FixtureFromTheWindowsProgramLoads) {
    Settings s(u"/tmp"_s);
    ASSERT_EQ(s.loadFrom(fixturePath()), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(s.buttonBar, 2);
    EXPECT_EQ(s.mainLeft, 12);
    EXPECT_EQ(s.mainHeight, 600);
    EXPECT_EQ(s.lastImportFile, u"C:\\STOWKP"_s);
    EXPECT_EQ(s.lastDatabase, u"C:\\STOWKP\\MASTER.DBF"_s);
    EXPECT_EQ(s.lastFiles[1], u"C:\\DATA\\HOUSE.DBF"_s);
    EXPECT_EQ(s.lastFiles[2], QString());
    EXPECT_FALSE(s.showTips);
    EXPECT_EQ(s.windowSize, 800);
    EXPECT_EQ(s.dateFormat, 3);
    EXPECT_TRUE(s.dateLeadingZeros);
    EXPECT_EQ(s.currencyFormat, 2);
    EXPECT_EQ(s.fieldNames[field::Item], u"Article"_s);
    EXPECT_EQ(s.fieldNames[field::UserDef1], u"Room Size"_s);
    EXPECT_FALSE(s.displayFields[field::Descriptio]);
    EXPECT_TRUE(s.displayFields[field::Brand]);
    EXPECT_EQ(s.fieldWidth[field::Item], 25);
    EXPECT_EQ(s.fieldOrder[field::Item], 2);
    EXPECT_EQ(s.fieldOrder[field::Brand], 1);
    EXPECT_FALSE(s.exportFields[field::WarNotes]);
    EXPECT_FALSE(s.exportFirstRow);
    EXPECT_EQ(s.exportFileType, 2);
    EXPECT_FALSE(s.importSkipFirst);
    EXPECT_EQ(s.importFileType, 2);
    EXPECT_EQ(s.sortLevels, (std::array<int, 4>{5, 1, 0, 0}));
    EXPECT_EQ(s.colorSet(ColorTarget::Main)[ColorRole::MainBackground], 8421376u);
    EXPECT_EQ(s.colorSet(ColorTarget::Edit)[ColorRole::EditText], 128u);
    EXPECT_EQ(s.colorSet(ColorTarget::Configure), ColorSet{});
    EXPECT_EQ(s.gridTitleAlignment, 1);
    EXPECT_EQ(s.gridTitleFont,
              (FontSpec{u"Times New Roman"_s, 14, 255, true, false, false, false}));
    EXPECT_EQ(s.gridFont.color, 0x80000008u);
    EXPECT_TRUE(s.gridFont.underline);
    EXPECT_EQ(s.gridCellColor, kWhite);
    EXPECT_FALSE(s.gridRowLines);
    EXPECT_TRUE(s.gridFieldEditing);
    EXPECT_EQ(s.editFont.name, u"Courier New"_s);
    EXPECT_TRUE(s.editFont.bold);
    EXPECT_EQ(s.labelFont.name, u"MS Sans Serif"_s);
    EXPECT_TRUE(s.buttonFont.italic);
    EXPECT_EQ(s.lastReport, 3);
    EXPECT_TRUE(s.printInsuranceCompany);
    EXPECT_FALSE(s.printPolicyNumber);
    EXPECT_TRUE(s.printStatement);
    EXPECT_EQ(s.insuranceCompany, u"Assurance G\u00e9n\u00e9rale \u20ac"_s);
    EXPECT_EQ(s.yourName, u"J\u00fcrgen M\u00fcller"_s);
    EXPECT_EQ(s.reportLeft, 10);
    EXPECT_EQ(s.reportHeight, 500);
}

TEST(Settings, SavingOverTheWindowsFileKeepsEverythingElse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("STOWKP.INI");
    const QByteArray original = readFile(fixturePath());
    ASSERT_TRUE(original.contains("\r\n[Registration]\r\n"));
    ASSERT_TRUE(QFile::copy(fixturePath(), path));

    Settings s(u"/tmp"_s);
    ASSERT_EQ(s.loadFrom(path), ProfileFile::LoadStatus::Loaded);
    const ino_t copied = inodeOf(path);
    ASSERT_TRUE(s.saveTo(path));
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(inodeOf(path), copied) << "settings the file holds already were written again";

    s.mainLeft = 50;
    s.fieldNames[field::Item] = u"Thing"_s;
    ASSERT_TRUE(s.saveTo(path));
    EXPECT_NE(inodeOf(path), copied);
    QByteArray expected = original;
    expected.replace("Main Window Left=12\r\n", "Main Window Left=50\r\n");
    expected.replace("Item=Article\r\n", "Item=Thing\r\n");
    EXPECT_EQ(readFile(path), expected);
}

TEST(Settings, SaveToCreatesAFileAndRefusesToReplaceAnUnreadableOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Settings s(u"/"_s);
    EXPECT_EQ(s.lastImportFile, u"/"_s);
    s.yourName = u"Pat"_s;
    const QString path = dir.filePath("new/STOWKP.INI");
    ASSERT_TRUE(s.saveTo(path));

    Settings back(u"/elsewhere"_s);
    ASSERT_EQ(back.loadFrom(path), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(back.yourName, u"Pat"_s);
    EXPECT_EQ(back.lastImportFile, u"/"_s);
    EXPECT_EQ(Settings(u"/elsewhere"_s).lastImportFile, u"/elsewhere"_s);

    EXPECT_EQ(back.loadFrom(dir.filePath("absent.ini")), ProfileFile::LoadStatus::Missing);
    EXPECT_EQ(back.yourName, QString());
    EXPECT_EQ(back.lastImportFile, u"/elsewhere"_s);

    EXPECT_FALSE(s.saveTo(dir.path()));
}

TEST(Settings, SavingNamesEveryKeyWhoseTextTheFileCannotHold) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("STOWKP.INI");
    Settings s(u"/tmp"_s);
    std::vector<ProfileKey> inexact{{u"stale"_s, u"entry"_s}};
    ASSERT_TRUE(s.saveTo(path, &inexact));
    EXPECT_EQ(inexact, (std::vector<ProfileKey>{{u"stale"_s, u"entry"_s}}))
        << "defaults hold nothing outside the code page, and the list is only added to";

    inexact.clear();
    s.fieldNames[field::Brand] = u"Marque \u00e0 \u20ac"_s; // inside the code page
    s.fieldNames[field::Owner] = u"\u0412\u043b\u0430\u0434\u0435\u043b\u0435\u0446"_s;
    s.insuranceCompany = u"Nord \u0141\u00f3d\u017a"_s;
    s.editFont.name = u"Font\u2603"_s;
    s.lastFiles[2] = u"/home/u/\u65e5.DBF"_s;
    ASSERT_TRUE(s.saveTo(path, &inexact));
    EXPECT_EQ(inexact, (std::vector<ProfileKey>{{u"Misc"_s, u"Last File 3"_s},
                                                {u"Field Names"_s, u"Owner"_s},
                                                {u"Edit Font"_s, u"Font Name"_s},
                                                {u"Reports"_s, u"Insurance Company"_s}}));

    // The file format stays as it was: each such character stored as '?'.
    const QByteArray bytes = readFile(path);
    EXPECT_TRUE(bytes.contains("\r\nBrand=Marque \xe0 \x80\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nOwner=????????\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nInsurance Company=Nord ?\xf3"
                               "d?\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nFont Name=Font?\r\n"));

    ProfileFile file;
    inexact.clear();
    s.save(file, &inexact);
    EXPECT_EQ(inexact.size(), 4u) << "saving into a profile in memory reports the same";
}

TEST(Settings, StartDirectoryLosesItsTrailingSlash) {
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/home/u/"_s), u"/home/u"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/home/u"_s), u"/home/u"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/"_s), u"/"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"//"_s), u"/"_s);
}
