#include "reports/report_definition.h"

#include "urp_bytes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using urpbytes::line;

// The eight built-in definitions as the definition tables give them.
std::vector<urpbytes::Definition> expectedBuiltIns() {
    const auto standardTotals =
        line(R"("Cost:" (10), filler (1), Cost (12), "Replacement Cost:" (19),
        filler (1), RepCost (12), "Value:" (8), filler (1), Value (12), filler (60))");
    // Totals parts carry the total number and the total's name.
    auto totals = standardTotals;
    totals[2] = {"Cost", 1, 12, ""};
    totals[5] = {"Replacement Cost", 3, 12, ""};
    totals[8] = {"Value", 2, 12, ""};

    const auto medium1 = line(R"("Item:" (5), filler (1), Item (40), "Location:" (11), filler (1),
        Location (30), "Category:" (11), filler (1), Category (20))");
    const auto medium2 = line(R"("Brand:" (6), filler (1), Brand (20), "Model:" (8), filler (1),
        Model (15), "Serial:" (9), filler (1), Serial (14), "Cost:" (7), filler (1), Cost (12),
        "Rep Cost:" (11), filler (1), RepCost (12))");
    const auto medium3 = line(R"("Desc:" (5), filler (1), Descriptio (110))");
    const auto full2 = line(R"("Brand:" (6), filler (1), Brand (20), "Model:" (8), filler (1),
        Model (15), "Serial:" (9), filler (1), Serial (20), "Owner:" (8), filler (1), Owner (30))");
    const auto full4 = line(R"("Cost:" (5), filler (1), Cost (13), "Rep. Cost:" (11), filler (1),
        RepCost (13), "Value:" (8), filler (1), Value (13), "Purch From:" (13), filler (1),
        BoughtFrom (40))");
    const auto full5 = line(R"("Purch Date:" (11), filler (1), PurchDate (11), "Warranty:" (12),
        filler (1), Warranty (3), "Expiration Date:" (19), filler (1), WarDate (11),
        "Warranty Notes:" (18), filler (1), WarNotes (30))");
    const auto full6 = line(R"("ID Marks:" (9), filler (1), IDMarks (60), "Quantity:" (11),
        filler (1), Quantity (10))");
    const auto wide150 = line("filler (150)");

    auto def = [&](const char *name, int cpl, int size, bool ch, bool ut, int nl, bool vl, bool hl,
                   std::vector<std::vector<urpbytes::Part>> body) {
        urpbytes::Definition d;
        d.name = name;
        d.cpl = cpl;
        d.size = size;
        d.headers = ch;
        d.totals = ut;
        d.lines = nl;
        d.vert = vl;
        d.horz = hl;
        d.totalsLine = totals;
        d.body = std::move(body);
        return d;
    };
    std::vector<urpbytes::Definition> all;
    all.push_back(def("Short Narrow Report", 90, 10, true, true, 1, true, true,
                      {line("Item (32), Location (17), Cost (14), RepCost (14), Quantity (13)")}));
    all.push_back(def("Short Wide Report", 120, 8, true, true, 1, true, true,
                      {line("Item (26), Brand (12), Model (12), Serial (12), Location (17), "
                            "Cost (14), RepCost (14), Quantity (13)")}));
    all.push_back(def("Medium Report", 120, 8, false, true, 2, false, false, {medium1, medium2}));
    all.push_back(def("Medium Large Report", 120, 8, false, true, 4, false, false,
                      {medium1, medium2, medium3, wide150}));
    all.push_back(def("Full Report", 120, 8, false, true, 7, false, false,
                      {medium1, full2, medium3, full4, full5, full6, wide150}));
    urpbytes::Definition warranty =
        def("Warranty Report", 120, 8, true, false, 1, false, false,
            {line("Item (30), filler (2), Location (15), filler (2), PurchDate (11), filler (2), "
                  "Warranty (3), filler (2), WarDate (11), filler (2), WarNotes (30)")});
    warranty.totalsLine = urpbytes::emptyLine();
    all.push_back(warranty);
    all.push_back(def("Location & Owner Report", 90, 10, true, true, 1, true, true,
                      {line("Item (33), Location (30), Owner (27)")}));
    all.push_back(def("Statistics/Summary Report", 120, 8, false, true, 0, false, false, {}));
    return all;
}

TEST(ReportDefinition, BuiltInsAreByteForByteTheTables) {
    const std::vector<ReportDefinition> builtIns = urp::BuiltInDefinitions();
    const std::vector<urpbytes::Definition> expected = expectedBuiltIns();
    ASSERT_EQ(builtIns.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const QByteArray want = urpbytes::record(expected[i]);
        const QByteArray got = urp::Serialize(builtIns[i]);
        ASSERT_EQ(got.size(), urp::kRecordSize);
        const int at = urpbytes::firstDifference(want, got);
        EXPECT_EQ(at, -1) << "first difference at offset " << at << " (" << urpbytes::fieldAt(at)
                          << ")";
    }
}

ReportDefinition everyFieldSet() {
    ReportDefinition d;
    d.name = QStringLiteral("Caf\u00e9 M\u00fcller \u00a3 report");
    d.charsPerLine = 150;
    for (int f = 0; f < urp::kFontCount; ++f) {
        FontSpec &s = d.fonts[static_cast<std::size_t>(f)];
        s.name = QStringLiteral("Face %1").arg(f);
        s.size = 7 + f;
        s.bold = f & 1;
        s.italic = f & 2;
        s.underline = f == 3;
        s.strikeout = f == 4;
        s.color = 0x00123456u + static_cast<std::uint32_t>(f);
    }
    d.columnHeaders = false;
    d.pageNumbers = false;
    d.landscape = true;
    d.dateOnPages = false;
    d.useTotals = false;
    d.numLines = 12;
    d.topMargin = 0.25;
    d.bottomMargin = 0.75;
    d.leftMargin = 1.125;
    d.rightMargin = 0.3;
    d.vertLines = true;
    d.horzLines = true;
    d.titles = {QStringLiteral("Title one"), QString(), QString(80, QLatin1Char('T'))};
    for (int n = 0; n < urp::kBodyLineSlots; ++n)
        for (int i = 0; i < urp::kPartsPerLine; ++i) {
            ReportPart &p = d.body[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)];
            p.name = QStringLiteral("Part %1.%2").arg(n).arg(i);
            p.fieldNumber = (n * 20 + i) % 256;
            p.width = (i % 3 == 0) ? -(n + i) : n * 100 + i;
            p.label = QStringLiteral("Label \u00e9 %1").arg(n * 20 + i);
        }
    for (int i = 0; i < urp::kPartsPerLine; ++i)
        d.totals[static_cast<std::size_t>(i)] = ReportPart::total(i % 4 + 1, 30000 - i);
    d.level1Group = false;
    d.level2Group = true;
    for (int i = 0; i < urp::kReservedSize; ++i)
        d.reserved[i] = static_cast<char>(i * 7);
    return d;
}

TEST(ReportDefinition, EveryFieldSurvivesAWriteAndARead) {
    const ReportDefinition d = everyFieldSet();
    const QByteArray bytes = urp::Serialize(d);
    ASSERT_EQ(bytes.size(), urp::kRecordSize);
    const std::optional<ReportDefinition> back = urp::Parse(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, d);
    // Spot checks of the stored form: little-endian numbers, 8-bit text, flags as 1.
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), d.name.size());
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0xE9); // é in Windows 1252
    EXPECT_EQ(static_cast<unsigned char>(bytes[31]), 150);
    EXPECT_EQ(static_cast<unsigned char>(bytes[32]), 0);
    EXPECT_EQ(bytes[340], 1);
    EXPECT_EQ(bytes[20123], 1);
    double left;
    std::memcpy(&left, bytes.constData() + 1861, 8);
    EXPECT_EQ(left, 1.125);
    // A negative width (-3, part 4 of line 1) is a signed 16-bit number.
    EXPECT_EQ(static_cast<unsigned char>(bytes[2122 + 3 * 75 + 32]), 0xFD);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2122 + 3 * 75 + 33]), 0xFF);
}

TEST(ReportDefinition, AnyNonZeroFlagIsOnAndIsWrittenAsOne) {
    QByteArray rec = urp::Serialize(ReportDefinition());
    rec[340] = 7;       // landscape
    rec[1877] = '\x80'; // vertical lines
    const ReportDefinition d = *urp::Parse(rec);
    EXPECT_TRUE(d.landscape);
    EXPECT_TRUE(d.vertLines);
    const QByteArray again = urp::Serialize(d);
    EXPECT_EQ(again[340], 1);
    EXPECT_EQ(again[1877], 1);
}

TEST(ReportDefinition, DamagedRecordsReadWithoutOverrunning) {
    EXPECT_FALSE(urp::Parse(QByteArray(urp::kRecordSize - 1, '\0')));
    QByteArray rec(urp::kRecordSize, '\xFF');
    const std::optional<ReportDefinition> d = urp::Parse(rec);
    ASSERT_TRUE(d);
    // A length byte beyond the capacity reads the whole capacity.
    EXPECT_EQ(d->name.size(), urp::kNameCapacity);
    EXPECT_EQ(d->fonts[0].name.size(), urp::kFaceCapacity);
    EXPECT_EQ(d->titles[2].size(), urp::kTitleCapacity);
    EXPECT_EQ(d->charsPerLine, -1);
    EXPECT_EQ(d->numLines, -1);
    EXPECT_TRUE(std::isnan(d->topMargin));
    EXPECT_EQ(d->body[11][19].label.size(), urp::kLabelCapacity);
    // Written again it is a record of the same size.
    EXPECT_EQ(urp::Serialize(*d).size(), urp::kRecordSize);
}

TEST(ReportDefinition, TextsLongerThanTheirCapacityAreCutAndUnknownCharactersMarked) {
    ReportDefinition d;
    d.name = QString(40, QLatin1Char('n'));
    d.titles[0] = QStringLiteral("Price \u20ac and \u4e2d");
    const ReportDefinition back = *urp::Parse(urp::Serialize(d));
    EXPECT_EQ(back.name, QString(30, QLatin1Char('n')));
    EXPECT_EQ(back.titles[0], QStringLiteral("Price \u20ac and ?"));
}

TEST(ReportDefinition, NewReportDefaultsAreCourierWithLines) {
    const ReportDefinition d = urp::NewReportDefaults();
    EXPECT_EQ(d.charsPerLine, 90);
    EXPECT_TRUE(d.vertLines && d.horzLines && d.columnHeaders && d.useTotals);
    EXPECT_EQ(d.numLines, 1);
    for (int f = 1; f <= urp::kFontCount; ++f) {
        EXPECT_EQ(d.font(f).name, u"Courier New");
        EXPECT_EQ(d.font(f).size, 10);
        EXPECT_EQ(d.font(f).bold, f == 1 || f == 2 || f == 5) << f;
    }
    EXPECT_EQ(d.bodyLine(1)[0].width, 150);
    EXPECT_EQ(UsedParts(d.totals), 1);
}

} // namespace
