#include "interchange/export_line.h"

#include "settings/date_format.h"

#include <gtest/gtest.h>

#include <QDate>

#include <charconv>
#include <random>

using namespace exporting;

namespace {

std::string quotedField(std::string_view text) {
    std::string line;
    AppendQuoted(line, text, true);
    return line;
}

std::string general(std::string_view stored, char point = '.') {
    std::string out(stored.size() + kNumberRoom, '\0');
    out.resize(
        static_cast<std::size_t>(WriteGeneralNumber(out.data(), stored, point) - out.data()));
    return out;
}

std::string date(const DateWriter &writer, std::string_view stored) {
    char buf[DateWriter::kDateRoom];
    return {buf, static_cast<std::size_t>(writer.write(buf, stored) - buf)};
}

// What printf's %.15g makes of the stored number.
std::string reference(std::string_view stored) {
    std::string text(stored);
    text.erase(0, text.find_first_not_of(' '));
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", value == 0 ? 0.0 : value);
    return buf;
}

} // namespace

TEST(ExportLine, FieldsAreQuotedWithQuotesDoubledAndSpacesDropped) {
    EXPECT_EQ(quotedField("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(quotedField("   left and right  "), "\"left and right\"");
    EXPECT_EQ(quotedField("     "), "\"\"");
    EXPECT_EQ(quotedField(""), "\"\"");
    EXPECT_EQ(quotedField("\"\""), "\"\"\"\"\"\"");
    EXPECT_EQ(quotedField("a,b"), "\"a,b\"");
    // Long padding goes in steps; what is left is exact to the byte.
    EXPECT_EQ(quotedField("x" + std::string(39, ' ')), "\"x\"");
    EXPECT_EQ(quotedField(std::string(17, 'y') + std::string(93, ' ')),
              "\"" + std::string(17, 'y') + "\"");
    EXPECT_EQ(quotedField(std::string(110, ' ')), "\"\"");
    EXPECT_EQ(quotedField(std::string("z\0\0", 3) + "                "), "\"z\"");
    std::string line;
    AppendQuoted(line, "one", true);
    AppendQuoted(line, "two", false);
    EXPECT_EQ(line, "\"one\",\"two\"");
    EXPECT_EQ(JoinedLine({"Item", "Cost"}), "\"Item\",\"Cost\"\r\n");
}

TEST(ExportLine, NumbersInGeneralFormatWithTheDecimalSeparator) {
    EXPECT_EQ(general("           12.5000"), "12.5");
    EXPECT_EQ(general("         1250.0000"), "1250");
    EXPECT_EQ(general("            0.2500", ','), "0,25");
    EXPECT_EQ(general("           -3.0000"), "-3");
    EXPECT_EQ(general("          -0.0000"), "0");
    EXPECT_EQ(general("        7"), "7");
    EXPECT_EQ(general("       .5"), "0.5");
    EXPECT_EQ(general("                    "), "");
    EXPECT_EQ(general("  12abc"), "");
    // Beyond what the digits can show directly: as %.15g writes it.
    EXPECT_EQ(general("1234567890123456.7"), "1.23456789012346e+15");
    EXPECT_EQ(general("    0.00001"), "1e-05");
    EXPECT_EQ(general("  1.5e3", ','), "1500");
}

TEST(ExportLine, NumbersAgreeWithPrintfGeneralFormat) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const int decimals = static_cast<int>(random() % 6);
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = random() % 4 == 0 ? "-" : "";
        for (int d = 0; d < digits; ++d)
            text += static_cast<char>('0' + random() % 10);
        if (decimals > 0) {
            text += '.';
            for (int d = 0; d < decimals; ++d)
                text += static_cast<char>('0' + random() % 10);
        }
        const std::string stored = std::string(static_cast<std::size_t>(random() % 4), ' ') + text;
        ASSERT_EQ(general(stored), reference(stored)) << stored;
    }
}

TEST(ExportLine, DatesInEveryShortDateFormat) {
    const QDate dates[] = {QDate(1996, 7, 5), QDate(2004, 12, 31), QDate(1899, 1, 1),
                           QDate(2000, 2, 29)};
    for (int format = kFirstDateFormat; format <= kLastDateFormat; ++format) {
        for (const bool zeros : {false, true}) {
            ASSERT_TRUE(ApplyDateFormat(format, zeros));
            const DateWriter writer(CurrentDatePattern(),
                                    static_cast<char>(CurrentDateSeparator().toLatin1()));
            for (const QDate &day : dates)
                EXPECT_EQ(QString::fromStdString(date(writer, DateToDbfText(day).toStdString())),
                          DateToText(day))
                    << format << " " << zeros << " " << day.toString().toStdString();
            EXPECT_EQ(date(writer, "        "), "");
            EXPECT_EQ(date(writer, "20010229"), ""); // no such day
            EXPECT_EQ(date(writer, "2001x101"), "");
        }
    }
    ResetDateFormat();
}
