#include "settings/profile_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <csignal>
#include <string>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray crlf(QByteArray text) {
    return text.replace("\n", "\r\n");
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

std::string filesIn(const QString &path) {
    QStringList names = QDir(path).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names.join(u' ').toStdString();
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kMessy = crlf("; settings written by hand\n"
                               "stray line before any section\n"
                               "[Misc]\n"
                               "  Button Bar =  3  \n"
                               "Main Window Left=\t-20\n"
                               "main window top=7\n"
                               "Unknown Key=kept\n"
                               "; a comment inside\n"
                               "no equals sign here\n"
                               "\n"
                               "[ Other Tool ]\n"
                               "Colour=\"quoted value\"\n"
                               "Single='x'\n"
                               "Lonely=\"\n"
                               "\n"
                               "[MISC]\n"
                               "Late Key=hidden\n"
                               "Button Bar=9\n");

} // namespace

TEST(ProfileFile, UnchangedFileComesBackByteForByte) {
    EXPECT_EQ(ProfileFile::fromBytes(kMessy).toBytes(), kMessy);

    // LF-only files are read the same way and written with Windows line ends.
    QByteArray lf = kMessy;
    lf.replace("\r\n", "\n");
    EXPECT_EQ(ProfileFile::fromBytes(lf).toBytes(), kMessy);
    // A last line without a line end gets one.
    EXPECT_EQ(ProfileFile::fromBytes("[A]\r\nk=v").toBytes(), "[A]\r\nk=v\r\n");
}

TEST(ProfileFile, LookupIgnoresCaseAndSurroundingBlanks) {
    const ProfileFile file = ProfileFile::fromBytes(kMessy);
    EXPECT_EQ(file.value("Misc", "Button Bar"), u"3"_s);
    EXPECT_EQ(file.value("misc", "BUTTON BAR"), u"3"_s);
    EXPECT_EQ(file.value("Misc", "Main Window Left"), u"-20"_s);
    EXPECT_EQ(file.value("Misc", "Main Window Top"), u"7"_s);
    EXPECT_EQ(file.value("Other Tool", "colour"), u"quoted value"_s);
    EXPECT_EQ(file.value("Other Tool", "Single"), u"x"_s);
    EXPECT_EQ(file.value("Other Tool", "Lonely"), u"\""_s);

    // Comments, lines without '=' and a key of the wrong section are not keys.
    EXPECT_FALSE(file.contains("Misc", "no equals sign here"));
    EXPECT_FALSE(file.contains("Misc", "; a comment inside"));
    EXPECT_FALSE(file.contains("Misc", "Colour"));
    EXPECT_FALSE(file.contains("Nowhere", "Button Bar"));
    EXPECT_FALSE(file.contains("Misc", "Button"));
    // A second section of the same name is not searched.
    EXPECT_FALSE(file.contains("Misc", "Late Key"));
}

TEST(ProfileFile, DuplicateKeysReadAndWriteTheFirst) {
    ProfileFile file = ProfileFile::fromBytes(crlf("[A]\nk=first\nK=second\n"));
    EXPECT_EQ(file.value("A", "k"), u"first"_s);
    EXPECT_TRUE(file.writeString("A", "k", u"new"_s));
    EXPECT_EQ(file.toBytes(), crlf("[A]\nk=new\nK=second\n"));
}

TEST(ProfileFile, WritesReplaceInPlaceAndAppendWhereWindowsDoes) {
    ProfileFile file = ProfileFile::fromBytes(kMessy);
    EXPECT_TRUE(file.writeString("MISC", "button bar", u"1"_s));      // in place, spelling kept
    EXPECT_TRUE(file.writeString("Misc", "Show Tips", u"Yes"_s));     // end of the first [Misc]
    EXPECT_TRUE(file.writeString("Other Tool", "Extra", u"e"_s));     // before the blank line
    EXPECT_TRUE(file.writeString("Brand New", "First Row", u"No"_s)); // new section at the end
    EXPECT_TRUE(file.writeString("Brand New", "File Type", u"2"_s));

    const QByteArray expected = crlf("; settings written by hand\n"
                                     "stray line before any section\n"
                                     "[Misc]\n"
                                     "Button Bar=1\n"
                                     "Main Window Left=\t-20\n"
                                     "main window top=7\n"
                                     "Unknown Key=kept\n"
                                     "; a comment inside\n"
                                     "no equals sign here\n"
                                     "Show Tips=Yes\n"
                                     "\n"
                                     "[ Other Tool ]\n"
                                     "Colour=\"quoted value\"\n"
                                     "Single='x'\n"
                                     "Lonely=\"\n"
                                     "Extra=e\n"
                                     "\n"
                                     "[MISC]\n"
                                     "Late Key=hidden\n"
                                     "Button Bar=9\n"
                                     "\n"
                                     "[Brand New]\n"
                                     "First Row=No\n"
                                     "File Type=2\n");
    EXPECT_EQ(file.toBytes(), expected);

    ProfileFile empty;
    EXPECT_TRUE(empty.writeString("S", "k", QString()));
    EXPECT_EQ(empty.toBytes(), "[S]\r\nk=\r\n");
    // A key present with an empty value is not a missing key.
    EXPECT_EQ(empty.readString("S", "k", u"default"_s, 15), QString());
}

TEST(ProfileFile, ValueCannotBreakOutOfItsLine) {
    ProfileFile file;
    EXPECT_FALSE(file.writeString("A", "k", u"x\r\n[Evil]\nz=1"_s)) << "reported as changed";
    const ProfileFile reread = ProfileFile::fromBytes(file.toBytes());
    EXPECT_FALSE(reread.contains("Evil", "z"));
    EXPECT_EQ(reread.value("A", "k"), u"x  [Evil] z=1"_s);
}

TEST(ProfileFile, QuotedValuesSurviveEverySave) {
    // Reading drops one pair of enclosing quotes, so a value that is itself quoted must not
    // lose a pair on each save and read.
    for (const QString &text : {u"'Kitchen'"_s, u"\"\""_s, u"''''"_s, u"'a\""_s, u"'"_s}) {
        ProfileFile file;
        ASSERT_TRUE(file.writeString("A", "k", text));
        ProfileFile reread = ProfileFile::fromBytes(file.toBytes());
        EXPECT_EQ(reread.value("A", "k"), text);
        ASSERT_TRUE(reread.writeString("A", "k", *reread.value("A", "k")));
        EXPECT_EQ(ProfileFile::fromBytes(reread.toBytes()).value("A", "k"), text);
    }
    // What other programs wrote in quotes still reads without them.
    EXPECT_EQ(ProfileFile::fromBytes("[A]\r\nk='x'\r\n").value("A", "k"), u"x"_s);
}

TEST(ProfileFile, ReadStringKeepsWhatABufferHolds) {
    const ProfileFile file = ProfileFile::fromBytes("[A]\r\nlong=123456789012345678\r\n");
    EXPECT_EQ(file.readString("A", "long", {}, 15), u"12345678901234"_s);
    EXPECT_EQ(file.readString("A", "missing", u"abcdefghijklmnopq"_s, 15), u"abcdefghijklmn"_s);
    EXPECT_EQ(file.readString("A", "missing", u"fallback"_s, 250), u"fallback"_s);
    EXPECT_EQ(file.readString("A", "long", {}, 0), QString());
}

TEST(ProfileFile, TextIsWindows1252) {
    ProfileFile file;
    EXPECT_TRUE(file.writeString("A", "name", u"J\u00fcrgen \u20ac"_s));
    EXPECT_EQ(file.toBytes(), "[A]\r\nname=J\xfcrgen \x80\r\n");
    EXPECT_EQ(ProfileFile::fromBytes(file.toBytes()).value("A", "name"), u"J\u00fcrgen \u20ac"_s);
    // A character outside the page is written as '?' and reported, whether the key is new
    // or replaced in place; the next exact write of the key reports nothing.
    EXPECT_FALSE(file.writeString("A", "name", u"\u0141\u00f3d\u017a"_s));
    EXPECT_FALSE(file.writeString("A", "other", u"\U0001F600"_s));
    EXPECT_EQ(file.toBytes(), "[A]\r\nname=?\xf3"
                              "d?\r\nother=?\r\n");
    EXPECT_TRUE(file.writeString("A", "name", u"Lodz"_s));
    EXPECT_EQ(ProfileFile::fromBytes(file.toBytes()).value("A", "name"), u"Lodz"_s);
}

TEST(ProfileInt, ParsesLeadingDigitsLikeTheProfileFunctions) {
    const struct {
        const char16_t *text;
        int expected;
    } cases[] = {
        {u"12abc", 12},
        {u"abc", 0},
        {u" -5", -5},
        {u"+7", 7},
        {u"", 0},
        {u"-", 0},
        {u"- 5", 0},
        {u"007", 7},
        {u"\t42 ", 42},
        {u"3.9", 3},
        {u"99999999999", INT_MAX},
        {u"-99999999999", INT_MIN},
        {u"2147483647", INT_MAX},
        {u"-2147483648", INT_MIN},
        {u"-2147483640", -2147483640},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parseProfileInt(QStringView(c.text)), c.expected)
            << QString::fromUtf16(c.text).toStdString();
    }
}

TEST(ProfileFileDisk, MissingUnreadableAndPresentFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto status = ProfileFile::LoadStatus::Loaded;

    EXPECT_TRUE(ProfileFile::load(dir.filePath("none.ini"), &status).isEmpty());
    EXPECT_EQ(status, ProfileFile::LoadStatus::Missing);

    EXPECT_TRUE(ProfileFile::load(dir.path(), &status).isEmpty());
    EXPECT_EQ(status, ProfileFile::LoadStatus::Failed);

    writeFile(dir.filePath("a.ini"), kMessy);
    const ProfileFile file = ProfileFile::load(dir.filePath("a.ini"), &status);
    EXPECT_EQ(status, ProfileFile::LoadStatus::Loaded);
    EXPECT_EQ(file.toBytes(), kMessy);
}

TEST(ProfileFileDisk, SaveCreatesTheDirectoryAndReplacesTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("deep/er/STOWKP.INI");
    ProfileFile file;
    EXPECT_TRUE(file.writeString("Misc", "Button Bar", u"2"_s));
    ASSERT_TRUE(file.save(path));
    EXPECT_EQ(readFile(path), "[Misc]\r\nButton Bar=2\r\n");

    EXPECT_TRUE(file.writeString("Misc", "Button Bar", u"3"_s));
    ASSERT_TRUE(file.save(path));
    EXPECT_EQ(readFile(path), "[Misc]\r\nButton Bar=3\r\n");
    EXPECT_EQ(filesIn(dir.filePath("deep/er")), "STOWKP.INI");
}

TEST(ProfileFileDisk, FailedSaveLeavesTheOldFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ProfileFile file;
    EXPECT_TRUE(file.writeString("Misc", "Button Bar", u"2"_s));

    // The target is a directory, or its directory cannot be made.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    EXPECT_FALSE(file.save(dir.filePath("taken")));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken")).isDir());
    writeFile(dir.filePath("plain"), "x");
    EXPECT_FALSE(file.save(dir.filePath("plain/STOWKP.INI")));
    EXPECT_EQ(readFile(dir.filePath("plain")), "x");

    // The disk fills up half-way through writing: a file-size limit makes the write fail
    // even for root.
    const QString path = dir.filePath("STOWKP.INI");
    const QByteArray old = "[Misc]\r\nButton Bar=1\r\n";
    writeFile(path, old);
    for (int i = 0; i < 400; ++i) {
        const QByteArray key = "Key " + QByteArray::number(i);
        EXPECT_TRUE(file.writeString("Filler", key, u"value"_s));
    }
    ASSERT_GT(file.toBytes().size(), 4096);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved_ok = file.save(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(readFile(path).size(), old.size());
    EXPECT_EQ(readFile(path), old);
    EXPECT_EQ(filesIn(dir.path()), "STOWKP.INI plain");
}
