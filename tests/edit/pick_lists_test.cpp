#include "edit/pick_lists.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using picklists::LoadGridList;

TEST(PickListFile, GridListKeepsNonBlankLinesAsRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("BRAND.LST");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Sony\r\n\r\n   \r\n  Acme Co  \r\n\t\r\nCaf\xe9\r\nLast");
    file.close();
    EXPECT_EQ(LoadGridList(path),
              QStringList({"Sony", "  Acme Co  ", QString::fromUtf8("Caf\u00e9"), "Last"}));
    EXPECT_TRUE(LoadGridList(dir.filePath("MISSING.LST")).isEmpty());
}

namespace {

using picklists::List;
using picklists::PickLists;

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(PickLists, FourLineFileLoadsAsTwoEntriesAndSavesAsExactlyThoseLines) {
    QTemporaryDir dir;
    WriteAll(dir.filePath("BRAND.LST"), "Sony\r\n\r\n   \r\n  Acme  \r\n");
    PickLists lists(dir.path());
    EXPECT_TRUE(lists.LoadAllList().empty());
    EXPECT_EQ(lists.items(List::Brand), QStringList({"Sony", "  Acme  "}));
    EXPECT_EQ(lists.gridItems(List::Brand), lists.items(List::Brand));
    EXPECT_TRUE(lists.items(List::Owner).isEmpty()) << "a missing file is an empty list";
    EXPECT_TRUE(lists.SaveAllLists().empty());
    EXPECT_EQ(ReadAll(dir.filePath("BRAND.LST")), QByteArray("Sony\r\n  Acme  \r\n"));
    // A list that was never on disk is written too, as an empty file.
    EXPECT_EQ(ReadAll(dir.filePath("OWNER.LST")), QByteArray());
}

TEST(PickLists, LongLinesAreCutAndEveryLineEndIsALineEnd) {
    QTemporaryDir dir;
    const QByteArray longLine(300, 'x');
    WriteAll(dir.filePath("location.lst"), longLine + "\r\nattic\nshed\rcellar");
    PickLists lists(dir.path());
    lists.LoadAllList();
    EXPECT_EQ(lists.path(List::Location), dir.filePath("location.lst"))
        << "a list file is found whatever the case of its name";
    ASSERT_EQ(lists.items(List::Location).size(), 4);
    EXPECT_EQ(lists.items(List::Location)[0], QString(255, u'x'));
    EXPECT_EQ(lists.items(List::Location).mid(1), QStringList({"attic", "shed", "cellar"}));
}

TEST(PickLists, AddingTrimsAndComparesExactly) {
    PickLists lists;
    lists.UpdateList(List::Brand, {"Sony"});
    EXPECT_FALSE(lists.AddToList(List::Brand, u"  Sony "));
    EXPECT_FALSE(lists.AddToList(List::Brand, u"   "));
    EXPECT_TRUE(lists.AddToList(List::Brand, u" SONY "));
    EXPECT_EQ(lists.items(List::Brand), QStringList({"Sony", "SONY"}));
    EXPECT_EQ(lists.gridItems(List::Brand), QStringList({"Sony"})) << "each copy has its own add";
    EXPECT_TRUE(lists.AddToListTwwDB(List::Brand, u"SONY"));
    EXPECT_EQ(lists.gridItems(List::Brand), lists.items(List::Brand));
}

TEST(PickLists, ListenersHearEveryChangeOfEitherCopy) {
    PickLists lists;
    std::vector<List> heard;
    const int id = lists.addListener([&](List l) { heard.push_back(l); });
    lists.AddToList(List::Owner, u"Ann");
    lists.AddToList(List::Owner, u"Ann");
    lists.AddToListTwwDB(List::Category, u"Tools");
    lists.UpdateList(List::Bought, {});
    lists.removeListener(id);
    lists.AddToList(List::Owner, u"Bob");
    EXPECT_EQ(heard, (std::vector<List>{List::Owner, List::Category, List::Bought}));
}

TEST(PickLists, AListThatCannotBeWrittenKeepsItsFileAndIsReported) {
    QTemporaryDir dir;
    // A directory in the list file's place: the rename into place fails.
    ASSERT_TRUE(QDir(dir.path()).mkdir("BRAND.LST"));
    WriteAll(dir.filePath("OWNER.LST"), "Old\r\n");
    PickLists lists(dir.path());
    lists.UpdateList(List::Brand, {"Sony"});
    lists.UpdateList(List::Owner, {"New"});
    const std::vector<picklists::SaveProblem> problems = lists.SaveAllLists();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].list, List::Brand);
    EXPECT_FALSE(problems[0].reason.isEmpty());
    EXPECT_TRUE(picklists::ProblemText(problems[0]).contains("could not be written"));
    EXPECT_TRUE(QFileInfo(dir.filePath("BRAND.LST")).isDir());
    EXPECT_EQ(ReadAll(dir.filePath("OWNER.LST")), QByteArray("New\r\n")) << "the others are saved";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4)
        << "no temporary file is left behind";
}

TEST(PickLists, CharactersTheFileCannotHoldAreReported) {
    QTemporaryDir dir;
    PickLists lists(dir.path());
    lists.UpdateList(List::Category, {QString::fromUtf8("Кухня"), "Tools"});
    const std::vector<picklists::SaveProblem> problems = lists.SaveAllLists();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].inexact);
    EXPECT_TRUE(problems[0].reason.isEmpty());
    EXPECT_EQ(ReadAll(dir.filePath("CATEGORY.LST")), QByteArray("?????\r\nTools\r\n"));
}

} // namespace
