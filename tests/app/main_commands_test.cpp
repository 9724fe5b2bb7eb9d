#include "app/main_commands.h"

#include <gtest/gtest.h>

#include <QKeySequence>
#include <QTemporaryDir>
#include <set>
#include <string>

using namespace mainwin;

namespace {
RecentFiles Files(std::initializer_list<const char *> paths) {
    RecentFiles list;
    int i = 0;
    for (const char *p : paths)
        list[i++] = QString::fromLatin1(p);
    return list;
}
} // namespace

TEST(RecentFiles, OpeningAListedFileTakesItOutAndListsThePreviousOne) {
    EXPECT_EQ(DoLastFiles(Files({"B", "C"}), "A", "B"), Files({"A", "C"}));
    EXPECT_EQ(DoLastFiles(Files({"X", "B", "C"}), "A", "B"), Files({"A", "X", "C"}));
    EXPECT_EQ(DoLastFiles(Files({"V", "W", "X", "Y", "B"}), "A", "B"),
              Files({"A", "V", "W", "X", "Y"}));
}

TEST(RecentFiles, ReopeningTheCurrentFileListsIt) {
    EXPECT_EQ(DoLastFiles(Files({"C"}), "A", "A"), Files({"A", "C"}));
}

TEST(RecentFiles, SixFilesKeepTheFivePreviousMostRecentFirst) {
    RecentFiles list;
    QString current = "F0";
    for (int i = 1; i <= 6; ++i) {
        const QString next = QStringLiteral("F%1").arg(i);
        list = DoLastFiles(list, current, next);
        current = next;
    }
    EXPECT_EQ(list, Files({"F5", "F4", "F3", "F2", "F1"}));
}

TEST(RecentFiles, ComparisonIsExactAndNoPathIsListedTwice) {
    // Case differs: a different entry.
    EXPECT_EQ(DoLastFiles(Files({"b"}), "A", "B"), Files({"A", "b"}));
    // After the current file was reopened it is listed; opening another must not list it twice.
    EXPECT_EQ(DoLastFiles(Files({"A", "C"}), "A", "B"), Files({"A", "C"}));
    // Nothing was open before: no empty slot is pushed in.
    EXPECT_EQ(DoLastFiles(Files({"C"}), "", "B"), Files({"C"}));
}

TEST(RecentFiles, MenuShowsOnlyFilledEntriesWithTheirNumber) {
    const RecentMenu empty = SetMenuLastFiles(RecentFiles{});
    EXPECT_FALSE(empty.separatorVisible);
    for (const auto &caption : empty.captions)
        EXPECT_FALSE(caption.has_value());

    RecentFiles list;
    list[1] = "/home/u/b.dbf";
    list[4] = "/e.dbf";
    const RecentMenu menu = SetMenuLastFiles(list);
    EXPECT_TRUE(menu.separatorVisible);
    EXPECT_FALSE(menu.captions[0]);
    EXPECT_EQ(menu.captions[1].value_or(""), "&2   /home/u/b.dbf");
    EXPECT_FALSE(menu.captions[2]);
    EXPECT_EQ(menu.captions[4].value_or(""), "&5   /e.dbf");
}

TEST(RecentFiles, OnlyPathsTheSettingsKeepWholeAreAccepted) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString longest = "/" + QString(kMaxStoredPath - 1, u'd');
    const QString tooLong = longest + u'x';
    Settings saved;
    saved.lastDatabase = longest;
    saved.lastFiles[0] = tooLong;
    ASSERT_TRUE(saved.saveTo(dir.filePath("STOWKP.INI")));
    Settings read;
    ASSERT_EQ(read.loadFrom(dir.filePath("STOWKP.INI")), ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(read.lastDatabase, longest);
    EXPECT_NE(read.lastFiles[0], tooLong) << "the settings cut it";

    EXPECT_FALSE(PathLengthRefusal(longest));
    ASSERT_TRUE(PathLengthRefusal(tooLong));
    EXPECT_EQ(*PathLengthRefusal(tooLong),
              "The path of this file is 250 characters long.  The program can keep paths of at "
              "most 249 characters, so it cannot open this file.  Move the file to a folder with "
              "a shorter path.");
}

TEST(StartUp, BrowseArgumentIgnoresCaseOnly) {
    EXPECT_TRUE(IsBrowseArgument("/BROWSE"));
    EXPECT_TRUE(IsBrowseArgument("/browse"));
    EXPECT_TRUE(IsBrowseArgument("/Browse"));
    EXPECT_FALSE(IsBrowseArgument(""));
    EXPECT_FALSE(IsBrowseArgument("BROWSE"));
    EXPECT_FALSE(IsBrowseArgument("/BROWSER"));
    EXPECT_FALSE(IsBrowseArgument("/BROWSE "));
}

TEST(StartUp, WindowSizeFactorNeedsAScreenThatCanShowTheSize) {
    struct Case {
        int size, w, h;
        double factor;
        int checked;
    } cases[] = {
        {640, 640, 480, 1.0, 640},     {800, 800, 600, 1.25, 800},   {800, 799, 600, 1.0, 640},
        {800, 800, 599, 1.0, 640},     {1024, 800, 600, 1.0, 640},   {1024, 1024, 768, 1.6, 1024},
        {1280, 1280, 1024, 2.0, 1280}, {1280, 1280, 1000, 1.0, 640}, {1280, 1920, 1080, 2.0, 1280},
        {900, 1920, 1080, 1.0, 640},   {0, 1920, 1080, 1.0, 640},
    };
    for (const Case &c : cases) {
        const SizeChoice choice = WindowSizeFactor(c.size, c.w, c.h);
        EXPECT_DOUBLE_EQ(choice.factor, c.factor) << c.size << " on " << c.w << "x" << c.h;
        EXPECT_EQ(choice.checkedSize, c.checked) << c.size << " on " << c.w << "x" << c.h;
    }
}

TEST(StartUp, ScreenSizeRefusalNamesTheSize) {
    EXPECT_FALSE(ScreenSizeRefusal(640, 320, 200));
    EXPECT_FALSE(ScreenSizeRefusal(1024, 1024, 768));
    EXPECT_EQ(ScreenSizeRefusal(1024, 1024, 767).value_or(""),
              "Your current screen resolution does not support 1024 x 768 pixels.");
    EXPECT_EQ(ScreenSizeRefusal(800, 640, 480).value_or(""),
              "Your current screen resolution does not support 800 x 600 pixels.");
    EXPECT_EQ(ScreenSizeRefusal(1280, 1280, 800).value_or(""),
              "Your current screen resolution does not support 1280 x 1024 pixels.");
}

TEST(ButtonBar, LetteredModeShowsTheLabelAndMovesTheGridDown) {
    const auto layout = SetButtonBarLayout(2, 631, 418);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->letteredShown);
    EXPECT_TRUE(layout->otherBevelsShown);
    EXPECT_FALSE(layout->speedPanelShown);
    EXPECT_TRUE(layout->navigatorLabelShown);
    ASSERT_TRUE(layout->resize.vertical);
    EXPECT_EQ(layout->resize.vertical->gridTop, 122);
    EXPECT_EQ(layout->resize.vertical->gridHeight, 418 - 129);
    EXPECT_EQ(layout->navigator, QRect(400, 47, 221, kNavigatorHeight));
    EXPECT_EQ(layout->countTop, 90);
    EXPECT_EQ(layout->count2Top, 105);
    EXPECT_EQ(layout->searchOnTop, 96);
}

TEST(ButtonBar, SpeedAndNoneModes) {
    const auto speed = SetButtonBarLayout(1, 700, 500);
    ASSERT_TRUE(speed);
    EXPECT_TRUE(speed->speedPanelShown);
    EXPECT_FALSE(speed->letteredShown);
    EXPECT_FALSE(speed->navigatorLabelShown);
    EXPECT_EQ(speed->navigator, QRect(424, 3, 241, kNavigatorHeight));
    EXPECT_EQ(speed->resize.vertical->frameTop, 34);
    EXPECT_EQ(speed->resize.vertical->frameHeight, 463);
    EXPECT_EQ(speed->resize.vertical->headingTop, 38);

    const auto none = SetButtonBarLayout(3, 700, 500);
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->speedPanelShown || none->letteredShown || none->otherBevelsShown);
    EXPECT_EQ(none->navigator, QRect(493, 8, 201, kNavigatorHeight));
    EXPECT_EQ(none->resize.vertical->gridTop, 40);
    EXPECT_EQ(none->resize.vertical->gridHeight, 453);

    EXPECT_FALSE(SetButtonBarLayout(0, 700, 500));
    EXPECT_FALSE(SetButtonBarLayout(4, 700, 500));
}

TEST(ButtonBar, ResizeKeepsTheNavigatorOffTheRightEdgeInModeThree) {
    for (int w : {400, 631, 1000}) {
        const ResizeLayout layout = FormResizeLayout(3, w, 300);
        ASSERT_TRUE(layout.navigatorLeft);
        EXPECT_EQ(*layout.navigatorLeft, w - 207);
        EXPECT_EQ(layout.widths.frame.width(), w - 6);
        EXPECT_EQ(layout.widths.grid.width(), w - 14);
        EXPECT_EQ(layout.widths.headingLeft, (w - kHeadingWidth) / 2);
    }
    EXPECT_FALSE(FormResizeLayout(1, 631, 300).navigatorLeft);
    // An unknown mode only changes the widths and the heading.
    const ResizeLayout odd = FormResizeLayout(7, 631, 300);
    EXPECT_FALSE(odd.vertical);
    EXPECT_FALSE(odd.navigatorLeft);
    EXPECT_EQ(odd.widths.grid.width(), 617);
}

TEST(ButtonBar, LetteredButtonsStandInTwoRowsOfFiveInsideTheirFrames) {
    const auto order = LetteredButtonOrder();
    ASSERT_EQ(order.size(), 10u);
    const int bevelOf[] = {1, 1, 1, 1, 3, 3, 2, 2, 4, 4};
    for (int i = 0; i < 10; ++i) {
        const QRect button = LetteredButtonRect(i);
        EXPECT_EQ(button.size(), QSize(69, 33));
        EXPECT_EQ(button.top(), i % 2 == 0 ? 8 : 44);
        EXPECT_TRUE(BevelRect(bevelOf[i]).contains(button)) << i;
        for (int j = i + 1; j < 10; ++j)
            EXPECT_FALSE(button.intersects(LetteredButtonRect(j))) << i << " " << j;
    }
}

TEST(CommandTable, NamesAndShortcutsAreUniqueAndParse) {
    std::set<std::string> objects, shortcuts, buttons, speeds;
    for (const CommandInfo &c : Commands()) {
        EXPECT_TRUE(objects.insert(std::string(c.menuObject)).second) << c.menuObject;
        if (!c.shortcut.empty()) {
            EXPECT_TRUE(shortcuts.insert(std::string(c.shortcut)).second) << c.shortcut;
            const QKeySequence seq(QString::fromLatin1(c.shortcut.data(), c.shortcut.size()));
            EXPECT_EQ(seq.count(), 1) << c.shortcut;
        }
        if (!c.button.empty()) {
            EXPECT_TRUE(buttons.insert(std::string(c.button)).second) << c.button;
        }
        if (!c.speed.empty()) {
            EXPECT_TRUE(speeds.insert(std::string(c.speed)).second) << c.speed;
            EXPECT_FALSE(c.hint.empty()) << c.speed;
        }
    }
    EXPECT_EQ(buttons.size(), LetteredButtonOrder().size());
    EXPECT_EQ(speeds.size(), SpeedButtonOrder().size());
    for (Cmd id : LetteredButtonOrder())
        EXPECT_FALSE(Command(id).button.empty());
    for (Cmd id : SpeedButtonOrder())
        EXPECT_FALSE(Command(id).speed.empty());
}

TEST(CommandTable, RoutesOfTheMainCommands) {
    const CommandInfo &add = Command(Cmd::Add);
    EXPECT_EQ(add.caption, "&Add");
    EXPECT_EQ(add.shortcut, "Ctrl+A");
    EXPECT_EQ(add.button, "AddButton");
    EXPECT_EQ(add.speed, "AddSpeed");
    EXPECT_EQ(add.hint, "Add Record");
    EXPECT_EQ(Command(Cmd::EndSearch).buttonCaption, "E&nd Srch");
    EXPECT_EQ(Command(Cmd::AllColor).speed, "ColorSpeed");
    EXPECT_EQ(Command(Cmd::SortOrder).speed, "SpeedSetOrder");
    EXPECT_EQ(Command(Cmd::Contents).button, "HelpButton");
    EXPECT_EQ(Command(Cmd::Size1280).shortcut, "Shift+F4");
    EXPECT_EQ(Command(Cmd::Pack).menuObject, "MenuPack");
    EXPECT_EQ(TipsCaption(), "&Review \"Tips of the Day\"");
}

TEST(CommandTable, BrowseModeDisablesExactlyTheChangingCommands) {
    std::set<Cmd> expected{Cmd::Add,          Cmd::Copy,       Cmd::Delete,       Cmd::Backup,
                           Cmd::Restore,      Cmd::Viewer,     Cmd::Import,       Cmd::ListBrand,
                           Cmd::ListLocation, Cmd::ListBought, Cmd::ListCategory, Cmd::ListOwner,
                           Cmd::SearchReplace};
    std::set<Cmd> actual;
    for (const CommandInfo &c : Commands())
        if (c.browseDisables)
            actual.insert(c.id);
    EXPECT_EQ(actual, expected);
}

TEST(ListMaintenance, ArgumentsAndCaption) {
    const ListEditArgs bought = ListMaintenanceArgs(Cmd::ListBought);
    EXPECT_EQ(bought.title, "Purchased From");
    EXPECT_EQ(bought.listNumber, 3);
    EXPECT_EQ(bought.maxLength, 40);
    EXPECT_EQ(ListMaintenanceArgs(Cmd::ListBrand).maxLength, 20);
    EXPECT_EQ(ListMaintenanceArgs(Cmd::ListOwner).listNumber, 5);
    EXPECT_EQ(ListEditorCaption("Brand"), "Edit \"Brand\" List");
}
