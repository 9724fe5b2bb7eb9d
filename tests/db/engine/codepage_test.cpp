#include "db/engine/codepage.h"
#include "db/engine/db_error.h"

#include <gtest/gtest.h>

using db::CodePage;

TEST(CodePageTest, LanguageDriversNameTheirCodePages) {
    EXPECT_EQ(db::codePageForLanguageDriver(0x57), 1252);
    EXPECT_EQ(db::codePageForLanguageDriver(0x1B), 437);
    EXPECT_EQ(db::codePageForLanguageDriver(0x37), 850);
    EXPECT_EQ(db::codePageForLanguageDriver(0x03), 1252);
    EXPECT_EQ(db::codePageForLanguageDriver(0xC9), 1251);
    EXPECT_EQ(db::codePageForLanguageDriver(0x7C), 874);
    EXPECT_EQ(db::codePageForLanguageDriver(0x64), 852);
    EXPECT_EQ(db::codePageForLanguageDriver(0x00), 0);
    EXPECT_EQ(db::codePageForLanguageDriver(0xFE), 0);
}

TEST(CodePageTest, Windows1252DecodesItsSpecialLetters) {
    const CodePage &cp = CodePage::get(1252);
    EXPECT_EQ(cp.toUtf8("caf\xE9 \x80 \x9F"), "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
    const auto back = cp.fromUtf8("caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8");
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.bytes, "caf\xE9 \x80 \x9F");
}

TEST(CodePageTest, EveryByteSurvivesARoundTrip) {
    for (int number : {1252, 437, 850, 1251, 852, 866, 874}) {
        const CodePage &cp = CodePage::get(number);
        std::string all;
        for (int b = 1; b < 256; ++b)
            all += static_cast<char>(b);
        const auto back = cp.fromUtf8(cp.toUtf8(all));
        ASSERT_TRUE(back.ok) << "code page " << number << " char U+" << std::hex
                             << static_cast<unsigned>(back.badChar);
        EXPECT_EQ(back.bytes, all) << "code page " << number;
    }
}

TEST(CodePageTest, DosCodePageMapsBoxAndAccentCharacters) {
    const CodePage &cp = CodePage::get(437);
    EXPECT_EQ(cp.toUtf8("\x81\xC4"), "\xC3\xBC\xE2\x94\x80"); // u-umlaut, box line
    EXPECT_EQ(cp.decode(0xE1), U'\u00DF');
}

TEST(CodePageTest, CharactersTheCodePageLacksAreReportedNotDropped) {
    const CodePage &cp = CodePage::get(1252);
    // "ab" + CYRILLIC ZHE + "c": the Cyrillic letter has no place in 1252.
    const auto r = cp.fromUtf8("ab\xD0\x96"
                               "c");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.badChar, U'\u0416');
    EXPECT_EQ(r.badOffset, 2u);
    EXPECT_EQ(r.bytes, "ab");

    const auto ok1251 = CodePage::get(1251).fromUtf8("ab\xD0\x96"
                                                     "c");
    ASSERT_TRUE(ok1251.ok);
    EXPECT_EQ(ok1251.bytes, "ab\xC6"
                            "c");
}

TEST(CodePageTest, MalformedUtf8IsAFailure) {
    const CodePage &cp = CodePage::get(1252);
    for (const char *bad : {"x\xC3", "x\xFF", "x\xC0\x80", "x\xED\xA0\x80"}) {
        const auto r = cp.fromUtf8(bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_EQ(r.badChar, U'\uFFFD');
        EXPECT_EQ(r.badOffset, 1u);
    }
}

TEST(CodePageTest, MultiByteCodePageGoesThroughIconv) {
    const CodePage &cp = CodePage::get(932);
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC"; // "Japan" in kanji
    const auto enc = cp.fromUtf8(utf8);
    ASSERT_TRUE(enc.ok);
    EXPECT_EQ(enc.bytes, "\x93\xFA\x96\x7B");
    EXPECT_EQ(cp.toUtf8(enc.bytes), utf8);
    EXPECT_FALSE(cp.fromUtf8("\xC5\x81").ok); // L with stroke: not in Shift-JIS
}

TEST(CodePageTest, UnknownCodePageIsADbError) {
    EXPECT_THROW(CodePage(620), db::DbError);
}
