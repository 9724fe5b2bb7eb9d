#include "app/batch_usage.h"

#include "test_paths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

QString commandLine(const BatchCommandHelp &command) {
    return QString::fromUtf8(command.name) + u' ' + QString::fromUtf8(command.synopsis);
}

// A manual page heading as the reader sees it: font changes dropped, escaped hyphens plain.
QString plainRoff(QString text) {
    text.remove(QRegularExpression(u"\\\\f(?:[BIRP]|\\(..|\\[[^\\]]*\\])"_s));
    text.replace(u"\\-"_s, u"-"_s);
    return text;
}

QString manualPage() {
    QFile file(QString::fromUtf8(test_paths::kSourceDir) + u"/data/man/stowkeep-batch.1"_s);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QString::fromUtf8(file.readAll());
}

// The headings of the subsections of one section (".SH NAME" up to the next ".SH").
QStringList subsections(const QString &page, const QString &section) {
    QStringList headings;
    bool inside = false;
    for (const QString &line : page.split(u'\n')) {
        if (line.startsWith(u".SH "_s)) {
            inside = line.mid(4).trimmed().remove(u'"') == section;
        } else if (inside && line.startsWith(u".SS "_s)) {
            QString heading = line.mid(4).trimmed();
            if (heading.startsWith(u'"') && heading.endsWith(u'"'))
                heading = heading.mid(1, heading.size() - 2);
            headings << plainRoff(heading);
        }
    }
    return headings;
}

} // namespace

TEST(BatchUsage, TableRowsAreWellFormed) {
    QSet<QString> names;
    const QRegularExpression name(u"^[a-z][a-z0-9-]*$"_s);
    for (const BatchCommandHelp &command : BatchCommands()) {
        const QString n = QString::fromUtf8(command.name);
        EXPECT_TRUE(name.match(n).hasMatch()) << command.name;
        EXPECT_FALSE(names.contains(n)) << "twice: " << command.name;
        names.insert(n);
        EXPECT_GT(std::strlen(command.description), 0u) << command.name;
        EXPECT_EQ(FindBatchCommand(n), &command);
    }
    EXPECT_GE(names.size(), 8);
    EXPECT_EQ(FindBatchCommand(u"DUMP"), nullptr);
    EXPECT_EQ(FindBatchCommand(u"dum"), nullptr);
    EXPECT_EQ(FindBatchCommand(u""), nullptr);
}

TEST(BatchUsage, ProgramUsageListsEveryCommandAndOptionWithinTheWidth) {
    const QString usage = BatchUsage();
    const QStringList lines = usage.split(u'\n');
    EXPECT_TRUE(lines.first().startsWith(u"usage: stowkeep-batch "_s));
    for (const BatchCommandHelp &command : BatchCommands()) {
        // A row starts with the command and its synopsis, as the shell completion reads it.
        const QRegularExpression row(u"^  "_s + QRegularExpression::escape(commandLine(command)) +
                                     u"( +\\S.*)?$"_s);
        EXPECT_EQ(lines.filter(row).size(), 1) << command.name;
    }
    for (const BatchOptionHelp &option : BatchOptions())
        EXPECT_TRUE(usage.contains(u"\n  "_s + QString::fromUtf8(option.option) + u' '))
            << option.option;
    for (const QString &line : lines) {
        if (!line.startsWith(u"usage:"_s)) {
            EXPECT_LE(line.size(), 79) << line.toStdString();
        }
    }
    EXPECT_TRUE(usage.contains(u"exit status: 0 success, 1 the operation failed, 2 the "
                               "command line was wrong"_s));
}

TEST(BatchUsage, DescriptionsWrapUnderTheirColumn) {
    const QString usage = BatchUsage();
    // dump's description is longer than one line: its words continue at column 31.
    const qsizetype at = usage.indexOf(u"\n  dump "_s);
    ASSERT_GE(at, 0);
    const QStringList dumpLines = usage.mid(at + 1).split(u'\n').mid(0, 4);
    EXPECT_EQ(dumpLines[0], u"  dump FILE [--order physical|index] [--recno]"_s);
    EXPECT_TRUE(dumpLines[1].startsWith(QString(31, u' ') + u"one line per live record"_s))
        << dumpLines[1].toStdString();
    EXPECT_TRUE(dumpLines[2].startsWith(QString(31, u' ')) && dumpLines[2][31] != u' ');
    // A short row keeps the description on its own line.
    EXPECT_TRUE(
        usage.contains(u"\n  pack FILE                    remove deleted records for good\n"_s));
}

TEST(BatchUsage, CommandUsageGivesItsSynopsisAsASentenceAndTheOptions) {
    const BatchCommandHelp *dump = FindBatchCommand(u"dump");
    ASSERT_NE(dump, nullptr);
    const QString usage = BatchCommandUsage(*dump);
    const QStringList lines = usage.split(u'\n');
    EXPECT_EQ(lines[0], u"usage: stowkeep-batch [--config FILE] [--data-dir DIR] dump FILE "
                        "[--order physical|index] [--recno]"_s);
    EXPECT_TRUE(lines[2].startsWith(u"One line per live record"_s)) << lines[2].toStdString();
    EXPECT_TRUE(usage.contains(u"first).\n"_s)) << usage.toStdString();
    EXPECT_TRUE(usage.contains(u"\n  --data-dir DIR "_s));
    // No other command's text.
    EXPECT_FALSE(usage.contains(u"synthetic"_s));
}

TEST(BatchUsage, ManualPageHasASectionForEveryCommandInTheTableOrder) {
    const QString page = manualPage();
    QStringList expected;
    for (const BatchCommandHelp &command : BatchCommands())
        expected << commandLine(command);
    EXPECT_EQ(subsections(page, u"COMMANDS"_s), expected);
    for (const BatchOptionHelp &option : BatchOptions()) {
        const QString first = QString::fromUtf8(option.option).section(u' ', 0, 0).remove(u',');
        EXPECT_TRUE(plainRoff(page).contains(first)) << option.option;
    }
}
