#include "app/help_file.h"

#include "test_paths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

namespace {

QString shippedHelpText() {
    QFile file(QString::fromUtf8(test_paths::kSourceDir) + QStringLiteral("/help/STOWKP.HLP"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

} // namespace

TEST(HelpFile, ShippedFileHasATopicForEveryWindowKeyword) {
    const HelpFile help = HelpFile::parse(shippedHelpText());
    const QStringList keywords{
        "Input Window",
        "Search Window",
        "Report Window",
        "Report Preview",
        "User Defined Reports",
        "Specify Report Layout",
        "Export Window",
        "Import Window",
        "Backup and Restore",
        "Viewer Configuration Title",
        "Viewer Configuration Look",
        "Viewer Configuration Show",
        "Viewer Configuration Widths",
        "Viewer Configuration Order",
        "Viewer Configuration Names",
        "Color Configuration",
        "Sort Order",
        "Locate Field Value",
        "Search Options",
        "Search and Replace",
        "List Maintenance",
    };
    for (const QString &keyword : keywords) {
        const HelpTopic *topic = help.find(keyword);
        ASSERT_NE(topic, nullptr) << keyword.toStdString();
        EXPECT_EQ(topic->keyword, keyword);
        EXPECT_FALSE(topic->body.isEmpty()) << keyword.toStdString();
    }
    const HelpTopic *contents = help.find(QString());
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->keyword, QStringLiteral("Contents"));
    EXPECT_EQ(help.topics().size(), static_cast<std::size_t>(keywords.size() + 1));
}

TEST(HelpFile, ShippedFileLinksOnlyToTopicsItHas) {
    const HelpFile help = HelpFile::parse(shippedHelpText());
    const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    int links = 0;
    for (const HelpTopic &topic : help.topics()) {
        auto it = link.globalMatch(HelpFile::toHtml(topic));
        while (it.hasNext()) {
            const QString target = HelpFile::linkTarget(it.next().captured(1));
            EXPECT_NE(help.find(target), nullptr)
                << topic.keyword.toStdString() << " -> " << target.toStdString();
            ++links;
        }
    }
    EXPECT_GT(links, 10);
}

TEST(HelpFile, TopicsSplitAtHeaderLinesAndPreambleIsIgnored) {
    const HelpFile help = HelpFile::parse(QStringLiteral("A note for editors\r\n"
                                                         "== First ==\r\n"
                                                         "\r\n"
                                                         "one\r\n"
                                                         "two\r\n"
                                                         "\r\n"
                                                         "=== Second  Topic ===\n"
                                                         "three\n"
                                                         "==  ==\n"
                                                         "== not a header\n"));
    ASSERT_EQ(help.topics().size(), 2u);
    EXPECT_EQ(help.topics()[0].keyword, QStringLiteral("First"));
    EXPECT_EQ(help.topics()[0].body, QStringList({"one", "two"}));
    EXPECT_EQ(help.topics()[1].keyword, QStringLiteral("Second  Topic"));
    EXPECT_EQ(help.topics()[1].body, QStringList({"three", "==  ==", "== not a header"}));
}

TEST(HelpFile, FindIgnoresCaseAndBlanks) {
    const HelpFile help =
        HelpFile::parse(QStringLiteral("== Search Window ==\nx\n== Contents ==\ny\n"));
    ASSERT_NE(help.find(QStringLiteral("  search   WINDOW ")), nullptr);
    EXPECT_EQ(help.find(QStringLiteral("search window"))->keyword, QStringLiteral("Search Window"));
    EXPECT_EQ(help.find(QStringLiteral("Search")), nullptr);
}

TEST(HelpFile, ContentsFallsBackToTheFirstTopic) {
    const HelpFile withContents =
        HelpFile::parse(QStringLiteral("== A ==\na\n== contents ==\nc\n"));
    EXPECT_EQ(withContents.contents()->keyword, QStringLiteral("contents"));
    const HelpFile without = HelpFile::parse(QStringLiteral("== A ==\na\n== B ==\nb\n"));
    EXPECT_EQ(without.find(QString())->keyword, QStringLiteral("A"));
    EXPECT_EQ(HelpFile::parse(QStringLiteral("no topics at all")).contents(), nullptr);
    EXPECT_EQ(without.find(QStringLiteral("C")), nullptr);
}

TEST(HelpFile, HtmlEscapesTextAndMakesListsAndLinks) {
    HelpTopic topic{QStringLiteral("A & B"),
                    {QStringLiteral("Costs < 5 & more"), QStringLiteral("go on"), QString(),
                     QStringLiteral("- see [[Search Window]]"),
                     QStringLiteral("- or [[Import Window|importing]]")}};
    const QString html = HelpFile::toHtml(topic);
    EXPECT_TRUE(html.contains(QStringLiteral("<h2>A &amp; B</h2>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<p>Costs &lt; 5 &amp; more go on</p>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<ul>")));
    EXPECT_TRUE(html.contains(
        QStringLiteral("<li>see <a href=\"topic:Search%20Window\">Search Window</a></li>")));
    EXPECT_TRUE(html.contains(
        QStringLiteral("<li>or <a href=\"topic:Import%20Window\">importing</a></li>")));
    EXPECT_EQ(HelpFile::linkTarget(QStringLiteral("topic:Search%20Window")),
              QStringLiteral("Search Window"));
    EXPECT_TRUE(HelpFile::linkTarget(QStringLiteral("http://example.org")).isEmpty());
}

TEST(HelpFile, AnIndentedLineContinuesItsListItemAndAnUnindentedOneEndsTheList) {
    HelpTopic topic{QStringLiteral("T"),
                    {QStringLiteral("- File: create a new file,"),
                     QStringLiteral("  open another one"), QStringLiteral("- Records: add"),
                     QStringLiteral("After the list")}};
    EXPECT_EQ(HelpFile::toHtml(topic),
              QStringLiteral("<h2>T</h2>\n<ul>\n<li>File: create a new file, open another "
                             "one</li>\n<li>Records: add</li>\n</ul>\n<p>After the list</p>\n"));
}

// A list item wrapped onto an unindented line would end the list there and show the rest
// of the item as a paragraph of its own: in the shipped file every wrapped line of an item
// is indented.
TEST(HelpFile, ShippedFileIndentsEveryWrappedListItemLine) {
    const HelpFile help = HelpFile::parse(shippedHelpText());
    int wrapped = 0;
    for (const HelpTopic &topic : help.topics()) {
        bool inItem = false;
        for (const QString &line : topic.body) {
            if (line.trimmed().isEmpty()) {
                inItem = false;
            } else if (line.startsWith(QLatin1String("- "))) {
                inItem = true;
            } else if (inItem) {
                EXPECT_TRUE(line.front().isSpace())
                    << topic.keyword.toStdString() << ": " << line.toStdString();
                ++wrapped;
            }
        }
    }
    EXPECT_GT(wrapped, 10);
}
