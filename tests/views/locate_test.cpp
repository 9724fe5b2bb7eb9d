#include "views/locate.h"

#include "db/engine/codepage.h"
#include "db/record_view.h"
#include "settings/date_format.h"

#include <gtest/gtest.h>

namespace {

// A layout over Windows ANSI text with a character, a number, an integer and a date field.
RecordLayout makeLayout() {
    const db::CodePage &page = db::CodePage::get(1252);
    std::vector<db::FieldDef> fields{{"LOCATION", 'C', 10, 0, 1},
                                     {"COST", 'N', 12, 2, 11},
                                     {"QUANTITY", 'N', 4, 0, 23},
                                     {"PURCHDATE", 'D', 8, 0, 27}};
    return RecordLayout(
        fields, 35,
        [&page](std::string_view bytes) { return QString::fromStdString(page.toUtf8(bytes)); },
        [&page](QStringView text, std::string &out, QChar &bad) {
            const db::EncodeResult r = page.fromUtf8(text.toString().toStdString());
            out = r.bytes;
            if (!r.ok)
                bad = QChar(static_cast<char16_t>(r.badChar));
            return r.ok;
        },
        QStringLiteral("code page 1252"));
}

std::string pad(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

bool match(const RecordLayout &layout, int field, const char *value, TMyLocateMatchType type,
           bool caseSensitive, const std::string &raw) {
    const locate::FieldMatcher m(layout, field, QString::fromUtf8(value), type, caseSensitive);
    return m.matches(raw);
}

constexpr auto Exact = TMyLocateMatchType::mtExactMatch;
constexpr auto Start = TMyLocateMatchType::mtPartialMatchStart;
constexpr auto Any = TMyLocateMatchType::mtPartialMatchAny;

TEST(LocateMatch, CaseDecidesWhetherKitFindsKitchen) {
    const RecordLayout layout = makeLayout();
    const std::string kitchen = pad("Kitchen", 10);
    EXPECT_FALSE(match(layout, 0, "kit", Start, true, kitchen));
    EXPECT_TRUE(match(layout, 0, "kit", Start, false, kitchen));
    EXPECT_TRUE(match(layout, 0, "Kit", Start, true, kitchen));
    EXPECT_FALSE(match(layout, 0, "tch", Start, false, kitchen));
    EXPECT_TRUE(match(layout, 0, "TCH", Any, false, kitchen));
    EXPECT_FALSE(match(layout, 0, "TCH", Any, true, kitchen));
    EXPECT_TRUE(match(layout, 0, "hen", Any, true, kitchen)) << "a match at the very end";
    EXPECT_FALSE(match(layout, 0, "kitchens", Start, false, kitchen));
}

TEST(LocateMatch, ExactIgnoresTrailingBlanksOfTheFieldOnly) {
    const RecordLayout layout = makeLayout();
    const std::string kitchen = pad("Kitchen", 10);
    EXPECT_TRUE(match(layout, 0, "kitchen", Exact, false, kitchen));
    EXPECT_FALSE(match(layout, 0, "kitchen", Exact, true, kitchen));
    EXPECT_FALSE(match(layout, 0, "Kitche", Exact, true, kitchen));
    EXPECT_FALSE(match(layout, 0, "Kitchen ", Exact, true, kitchen));
    EXPECT_TRUE(match(layout, 0, "", Exact, true, pad("", 10))) << "empty matches empty";
    EXPECT_FALSE(match(layout, 0, "", Exact, true, kitchen));
}

TEST(LocateMatch, EmptyValueNeverMatchesPartially) {
    const RecordLayout layout = makeLayout();
    EXPECT_FALSE(match(layout, 0, "", Start, false, pad("Kitchen", 10)));
    EXPECT_FALSE(match(layout, 0, "", Any, false, pad("", 10)));
}

TEST(LocateMatch, AccentedLettersFoldThroughTheCodePage) {
    const RecordLayout layout = makeLayout();
    const std::string cafe = pad("caf\xe9", 10); // "café" in 1252
    EXPECT_TRUE(match(layout, 0, "CAFÉ", Exact, false, cafe));
    EXPECT_FALSE(match(layout, 0, "CAFÉ", Exact, true, cafe));
    EXPECT_TRUE(match(layout, 0, "fé", Any, true, cafe));
    // A character the code page cannot hold is in no field.
    EXPECT_FALSE(match(layout, 0, "caf\u0101", Any, false, cafe));
}

TEST(LocateMatch, ExactNumberComparesValues) {
    const RecordLayout layout = makeLayout();
    const std::string cost = "     1250.00";
    EXPECT_TRUE(match(layout, 1, "1250", Exact, false, cost));
    EXPECT_TRUE(match(layout, 1, " 1250.0 ", Exact, false, cost));
    EXPECT_FALSE(match(layout, 1, "1250.01", Exact, false, cost));
    EXPECT_FALSE(match(layout, 1, "1250", Exact, false, "            ")) << "blank has no value";
    // Partial matches look at the general-format text, "1250".
    EXPECT_TRUE(match(layout, 1, "125", Start, false, cost));
    EXPECT_FALSE(match(layout, 1, "1250.00", Start, false, cost));
    EXPECT_TRUE(match(layout, 1, "2.5", Any, false, "       12.50"));
    // Text that is no number is compared as text.
    EXPECT_FALSE(match(layout, 1, "abc", Exact, false, cost));
}

TEST(LocateMatch, IntegersAndDatesUseTheirTextForms) {
    const RecordLayout layout = makeLayout();
    EXPECT_TRUE(match(layout, 2, "5", Exact, false, "   5"));
    EXPECT_FALSE(match(layout, 2, "5.0", Exact, false, "   5")) << "whole numbers compare as text";
    ResetDateFormat();
    ASSERT_TRUE(ApplyDateFormat(10, true)); // dd/mm/yyyy
    EXPECT_TRUE(match(layout, 3, "07/03/1994", Exact, false, "19940307"));
    EXPECT_TRUE(match(layout, 3, "1994", Any, false, "19940307"));
    EXPECT_FALSE(match(layout, 3, "3/7/1994", Exact, false, "19940307"));
    EXPECT_EQ(locate::FieldTextForm(layout, 3, "        "), QString());
    ResetDateFormat();
}

TEST(LocateMatch, RememberedVerdictsStayCorrect) {
    const RecordLayout layout = makeLayout();
    const locate::FieldMatcher m(layout, 1, QStringLiteral("12"), Start, false);
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(m.matches("       12.50"));
        EXPECT_FALSE(m.matches("       21.50"));
    }
}

TEST(LocateMatch, FieldListRules) {
    EXPECT_TRUE(locate::IsLocatableType('C'));
    EXPECT_TRUE(locate::IsLocatableType('M'));
    EXPECT_FALSE(locate::IsLocatableType('G'));
    EXPECT_FALSE(locate::IsLocatableType('B'));
    EXPECT_EQ(locate::TitleText(QStringLiteral("Serial~Number")), QStringLiteral("Serial Number"));
    EXPECT_EQ(locate::FieldNotFoundMessage(QStringLiteral("X")),
              QStringLiteral("Field X not found."));
}

} // namespace
