#include "settings/settings.h"

#include "test_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fixturePath() {
    return QString::fromUtf8(test_paths::kSourceDir) + u"/tests/settings/data/STOWKP.INI"_s;
}

const char *const kFieldKeys[] = {"Item",       "Brand",      "Model",   "Serial",   "Location",
                                  "Descriptio", "BoughtFrom", "IDMarks", "Quantity", "PurchDate",
                                  "Cost",       "Category",   "RepCost", "Warranty", "WarDate",
                                  "WarNotes",   "Owner",      "Value",   "UserDef1", "UserDef2",
                                  "UserDef3",   "UserDef4"};

// The whole configuration file a first start writes, built independently of the code.
QByteArray expectedDefaultFile(const QByteArray &startDir) {
    struct Section {
        QByteArray name;
        std::vector<std::pair<QByteArray, QByteArray>> keys;
    };
    std::vector<Section> sections;
    sections.push_back({"Misc",
                        {{"Button Bar", "1"},
                         {"Main Window Left", "0"},
                         {"Main Window Top", "0"},
                         {"Main Window Width", "640"},
                         {"Main Window Height", "480"},
                         {"Last Import File", startDir},
                         {"Last Export File", startDir},
                         {"Last Database", ""},
                         {"Last File 1", ""},
                         {"Last File 2", ""},
                         {"Last File 3", ""},
                         {"Last File 4", ""},
                         {"Last File 5", ""},
                         {"Show Tips", "Yes"},
                         {"Window Size", "640"},
                         {"Date Format", "1"},
                         {"Date Leading Zeros", "No"},
                         {"Currency Format", "1"},
                         {"Numeric Format", "1"}}});
    const char *const names[] = {"Item",
                                 "Brand",
                                 "Model",
                                 "Serial Number",
                                 "Location",
                                 "Description",
                                 "Purchased From",
                                 "ID Marks",
                                 "Quantity",
                                 "Purchase Date",
                                 "Cost",
                                 "Category",
                                 "Replacement Cost",
                                 "Warranty",
                                 "Warranty Date",
                                 "Warranty Notes",
                                 "Owner",
                                 "Value",
                                 "User Defined 1",
                                 "User Defined 2",
                                 "User Defined 3",
                                 "User Defined 4"};
    Section fieldNames{"Field Names", {}}, display{"Display Fields", {}}, width{"Field Width", {}},
        order{"Field Order", {}}, exportFields{"Export Fields", {}},
        exportOrder{"Export Order", {}};
    for (int i = 0; i < 22; ++i) {
        fieldNames.keys.emplace_back(kFieldKeys[i], names[i]);
        display.keys.emplace_back(kFieldKeys[i], "Yes");
        width.keys.emplace_back(kFieldKeys[i], "15");
        order.keys.emplace_back(kFieldKeys[i], QByteArray::number(i + 1));
        exportFields.keys.emplace_back(kFieldKeys[i], "Yes");
        exportOrder.keys.emplace_back(kFieldKeys[i], QByteArray::number(i + 1));
    }
    for (Section *s : {&fieldNames, &display, &width, &order, &exportFields, &exportOrder}) {
        sections.push_back(*s);
    }
    sections.push_back({"Export", {{"First Row", "Yes"}, {"File Type", "1"}}});
    sections.push_back({"Import", {{"Skip First", "Yes"}, {"File Type", "1"}}});
    sections.push_back({"Sort Order",
                        {{"Primary Sort", "12"},
                         {"Secondary Sort", "0"},
                         {"Third Level Sort", "0"},
                         {"Fourth Level Sort", "0"}}});
    for (const char *colorSection :
         {"Main Window Color", "Edit Window Color", "Search Window Color", "Report Window Color",
          "Configure Window Color"}) {
        sections.push_back({colorSection,
                            {{"Main Background", "12632256"},
                             {"Major Title", "0"},
                             {"Minor Title", "0"},
                             {"Edit Background", "16777215"},
                             {"Edit Text", "0"},
                             {"Combo Background", "16777215"},
                             {"Combo Text", "0"},
                             {"List Box Background", "16777215"},
                             {"List Box Text", "0"},
                             {"Radio Background", "12632256"},
                             {"Radio Text", "0"},
                             {"Check Background", "12632256"},
                             {"Check Text", "0"}}});
    }
    sections.push_back(
        {"Grid Title",
         {{"Show Titles", "Yes"}, {"Background Color", "8553090"}, {"Alignment", "2"}}});
    for (const auto &[name, size] : {std::pair{"Grid Title Font", "12"}, {"Grid Font", "10"}}) {
        sections.push_back({name,
                            {{"Color", "0"},
                             {"Font Name", "Arial"},
                             {"Size", size},
                             {"Bold", "No"},
                             {"Italic", "No"},
                             {"Underline", "No"},
                             {"Strikeout", "No"}}});
    }
    sections.push_back({"Grid Options",
                        {{"Cell Color", "12632256"},
                         {"Column Lines", "Yes"},
                         {"Row Lines", "Yes"},
                         {"Row Indicator", "Yes"},
                         {"Field Editing", "No"}}});
    for (const char *font : {"Edit Font", "Label Font", "Button Font"}) {
        sections.push_back({font, {{"Font Name", "Arial"}, {"Bold", "No"}, {"Italic", "No"}}});
    }
    sections.push_back({"Reports",
                        {{"Last Report", "0"},
                         {"Print Insurance Company", "No"},
                         {"Print Policy Number", "No"},
                         {"Print Statement", "No"},
                         {"Insurance Company", ""},
                         {"Policy Number", ""},
                         {"Your Name", ""},
                         {"Report Viewing Window Left", "0"},
                         {"Report Viewing Window Top", "0"},
                         {"Report Viewing Window Width", "640"},
                         {"Report Viewing Window Height", "480"}}});

    QByteArray out;
    for (const Section &s : sections) {
        if (!out.isEmpty()) {
            out += "\r\n";
        }
        out += "[" + s.name + "]\r\n";
        for (const auto &[key, value] : s.keys) {
            out += key + "=" + value + "\r\n";
        }
    }
    return out;
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

    ProfileFile out;
    settings.save(out);
    EXPECT_EQ(out.toBytes().toStdString(), expectedDefaultFile("/home/user/work").toStdString());
}

TEST(Settings, FirstStartRecordMatchesTheDefaults) {
    const Settings s = loadedFrom({});
    EXPECT_EQ(s.mainLeft, 0);
    EXPECT_EQ(s.mainTop, 0);
    EXPECT_EQ(s.mainWidth, 640);
    EXPECT_EQ(s.mainHeight, 480);
    EXPECT_TRUE(s.showTips);
    EXPECT_EQ(s.dateFormat, 1);
    EXPECT_FALSE(s.dateLeadingZeros);
    for (int i = 0; i < kFieldCount; ++i) {
        EXPECT_TRUE(s.displayFields[i]);
        EXPECT_EQ(s.fieldWidth[i], 15);
        EXPECT_EQ(s.fieldOrder[i], i + 1);
        EXPECT_EQ(s.exportOrder[i], i + 1);
    }
    EXPECT_EQ(s.sortLevels, (std::array<int, 4>{12, 0, 0, 0}));
    EXPECT_EQ(s.fieldNames[field::BoughtFrom], u"Purchased From"_s);
    EXPECT_EQ(s.colorSet(ColorTarget::Report), ColorSet{});
    EXPECT_EQ(s.gridTitleFont.size, 12);
    EXPECT_EQ(s.gridFont.size, 10);
    EXPECT_EQ(s.gridTitleColor, 8553090u);
    EXPECT_EQ(s.lastImportFile, u"/home/user"_s);
    EXPECT_EQ(s.lastExportFile, u"/home/user"_s);
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
    ASSERT_TRUE(s.saveTo(path));
    EXPECT_EQ(readFile(path), original);

    s.mainLeft = 50;
    s.fieldNames[field::Item] = u"Thing"_s;
    ASSERT_TRUE(s.saveTo(path));
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

TEST(Settings, StartDirectoryLosesItsTrailingSlash) {
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/home/u/"_s), u"/home/u"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/home/u"_s), u"/home/u"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"/"_s), u"/"_s);
    EXPECT_EQ(Settings::withoutTrailingSlash(u"//"_s), u"/"_s);
}
