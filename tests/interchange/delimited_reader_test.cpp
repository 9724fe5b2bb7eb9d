// The delimited text reader: the first-line check with its three problems, and records read
// field by field, including the lines that do not keep to the format.
#include "interchange/delimited_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using delimited::FirstLine;
using delimited::Reader;

namespace {

std::string quotedLine(int fields, const std::string &stem = "F") {
    std::string line;
    for (int i = 1; i <= fields; ++i) {
        if (i > 1)
            line += ',';
        delimited::AppendQuoted(line, stem + std::to_string(i));
    }
    return line + "\r\n";
}

FirstLine firstLine(const std::string &text) {
    Reader reader(text);
    return delimited::GetFirstLine(reader);
}

// Every record of the text as the import reads them, `fields` fields a record.
std::vector<std::vector<std::string>> records(const std::string &text, int fields) {
    Reader reader(text);
    std::vector<std::vector<std::string>> out;
    while (!reader.atEnd()) {
        std::vector<std::string> row;
        if (delimited::ReadInAsciiRecord(reader, fields, [&](int k, const std::string &v) {
                EXPECT_EQ(k, static_cast<int>(row.size()));
                row.push_back(v);
            }))
            out.push_back(row);
    }
    return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(FirstLine, ThirtyTwoFieldsAreAcceptedAndAThirtyThirdIsProblemThree) {
    const FirstLine ok = firstLine(quotedLine(32) + quotedLine(40));
    EXPECT_EQ(ok.problem, FirstLine::None);
    ASSERT_EQ(ok.names.size(), 32u);
    EXPECT_EQ(ok.names.front(), "F1");
    EXPECT_EQ(ok.names.back(), "F32");
    EXPECT_EQ(firstLine(quotedLine(33)).problem, FirstLine::TooManyFields);
}

TEST(FirstLine, AFieldOfMoreThan255CharactersIsProblemOne) {
    EXPECT_EQ(firstLine("\"" + std::string(255, 'x') + "\",\"b\"\r\n").problem, FirstLine::None);
    EXPECT_EQ(firstLine("\"a\",\"" + std::string(256, 'x') + "\"\r\n").problem, FirstLine::TooLong);
}

TEST(FirstLine, AFieldLeftOpenAtTheLineEndIsProblemTwo) {
    // Unquoted words: the commas are data, so it is one field never closed.
    const FirstLine words = firstLine("Item,Brand,Model\r\n\"x\"\r\n");
    EXPECT_EQ(words.problem, FirstLine::UnexpectedEnd);
    EXPECT_EQ(firstLine("\"Item\",\"Brand\r\n").problem, FirstLine::UnexpectedEnd);
    EXPECT_EQ(firstLine("\r\n\"Item\"\r\n").problem, FirstLine::UnexpectedEnd);
    EXPECT_EQ(firstLine("").problem, FirstLine::UnexpectedEnd);
    // A comma after the last field opens nothing.
    EXPECT_EQ(firstLine("\"Item\",\"Brand\",\r\n").names.size(), 2u);
}

TEST(FirstLine, NamesAreCutTo20CharactersAndEmptyOnesAreBlankFields) {
    const FirstLine line =
        firstLine("\"An extremely long field name\",\"\",\"Cost\",\"\",\"Say \"\"hi\"\"\"\r\n");
    ASSERT_EQ(line.problem, FirstLine::None);
    EXPECT_EQ(line.names, (std::vector<std::string>{"An extremely long fi", "<BLANK FIELD>", "Cost",
                                                    "<BLANK FIELD>", "Say \"hi\""}));
}

TEST(Records, FieldsAreReadAsWrittenWithQuotesDoubledAndCommasInside) {
    EXPECT_EQ(records("\"a, b\",\"He said \"\"no\"\"\",\"\"\r\n\"x\",\"y\",\"z\"\r\n", 3),
              (Rows{{"a, b", "He said \"no\"", ""}, {"x", "y", "z"}}));
}

TEST(Records, LineFeedsEmptyLinesAndControlCharactersHaveNoEffect) {
    const std::string text = "\"a\"\r\n\n\r\n\"b\t\",\"c\x01\"\r\n\x1A";
    EXPECT_EQ(records(text, 2), (Rows{{"a"}, {"b", "c"}}));
}

TEST(Records, AFileWithLineFeedLineEndsIsReadLineByLine) {
    EXPECT_EQ(records("\"a\",\"b\"\n\"c\",\"d\"\n", 2), (Rows{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(firstLine("\"a\",\"b\"\n\"c\"\n").names.size(), 2u);
}

TEST(Records, AShortLineGivesOnlyItsFieldsAndALongOneLosesOnlyItsExtraFields) {
    const std::string text = "\"1\"\r\n\"1\",\"2\",\"3\",\"4\",\"5\"\r\n\"a\",\"b\",\"c\"\r\n";
    EXPECT_EQ(records(text, 3), (Rows{{"1"}, {"1", "2", "3"}, {"a", "b", "c"}}));
}

TEST(Records, ALongFieldIsCutTo255AndTheFieldsAfterItStayInPlace) {
    const std::string text = "\"" + std::string(300, 'x') + "\",\"after\"\r\n\"next\",\"line\"\r\n";
    EXPECT_EQ(records(text, 2), (Rows{{std::string(255, 'x'), "after"}, {"next", "line"}}));
}

TEST(Records, CharactersAfterAClosingQuoteStayInTheValueUpToTheNextComma) {
    EXPECT_EQ(records("\"12\" inch,\"b\",\"c\"\r\n\"d\"x\r\n", 3),
              (Rows{{"12 inch", "b", "c"}, {"dx"}}));
}

TEST(Records, AnUnmatchedQuoteEndsAtTheCarriageReturnAndTheNextLineIsARecord) {
    EXPECT_EQ(records("\"a\",\"open\r\n\"b\",\"c\"\r\n", 2), (Rows{{"a", "open"}, {"b", "c"}}));
}

TEST(Records, ALineOfOneEmptyFieldIsNoRecordButTwoEmptyFieldsAre) {
    EXPECT_EQ(records("\"\"\r\n\"\",\"\"\r\n", 2), (Rows{{"", ""}}));
}

TEST(Records, BlockBoundariesOfTheSourceDoNotMatter) {
    const std::string text = quotedLine(5, "value ") + "\"a\"\"b\",\"c\"\r\n";
    std::size_t at = 0;
    Reader reader([&](char *buffer, std::size_t) -> std::size_t {
        if (at == text.size())
            return 0;
        buffer[0] = text[at++];
        return 1;
    });
    std::vector<std::string> got;
    while (!reader.atEnd())
        (void)delimited::ReadInAsciiRecord(reader, 5,
                                           [&](int, const std::string &v) { got.push_back(v); });
    EXPECT_EQ(got, (std::vector<std::string>{"value 1", "value 2", "value 3", "value 4", "value 5",
                                             "a\"b", "c"}));
}

} // namespace
