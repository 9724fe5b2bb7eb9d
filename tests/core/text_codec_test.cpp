#include "core/text_codec.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextCodec, EveryByteOfWindows1252RoundTrips) {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    bool lossless = false;
    EXPECT_EQ(text8::encode(text8::decode(all), &lossless), all);
    EXPECT_TRUE(lossless);
    // The euro sign and the letters 1252 adds to Latin-1, and a byte it leaves undefined.
    EXPECT_EQ(text8::decode("\x80\x9f\xfc\x81"), u"\u20ac\u0178\u00fc\u0081"_s);
}

TEST(TextCodec, EachCharacterOutsideThePageBecomesOneQuestionMark) {
    bool lossless = true;
    // A two-byte, a four-byte (surrogate pair) and a three-byte character between others.
    EXPECT_EQ(text8::encode(u"a\u0142b\U0001F600c\u4e2d!"_s, &lossless), "a?b?c?!");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(text8::encode(u"\u20ac"_s, &lossless), "\x80");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(text8::encode(QString(), &lossless), QByteArray());
    EXPECT_TRUE(lossless);
}

TEST(TextCodec, OtherCodePagesAreHonoured) {
    // Cyrillic "Da" in Windows 1251, which 1252 cannot hold.
    EXPECT_EQ(text8::decode("\xc4\xe0", 1251), u"\u0414\u0430"_s);
    bool lossless = false;
    EXPECT_EQ(text8::encode(u"\u0414\u0430"_s, &lossless, 1251), "\xc4\xe0");
    EXPECT_TRUE(lossless);
    EXPECT_EQ(text8::encode(u"\u0414\u0430"_s, &lossless), "??");
    EXPECT_FALSE(lossless);
}
