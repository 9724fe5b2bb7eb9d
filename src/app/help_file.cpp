#include "app/help_file.h"

#include <QRegularExpression>
#include <QUrl>

namespace {

// "== Keyword ==" with at least two equals signs on each side.
const QRegularExpression &headerPattern() {
    static const QRegularExpression pattern(QStringLiteral("^==+\\s*(.*?)\\s*==+\\s*$"));
    return pattern;
}

const QRegularExpression &linkPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("\\[\\[([^\\]|]+)(?:\\|([^\\]]*))?\\]\\]"));
    return pattern;
}

QString normalised(const QString &keyword) {
    return keyword.simplified().toCaseFolded();
}

// Escapes a line and turns its links into anchors.
QString inlineHtml(const QString &line) {
    QString html;
    qsizetype done = 0;
    auto it = linkPattern().globalMatch(line);
    while (it.hasNext()) {
        const auto match = it.next();
        html += line.mid(done, match.capturedStart() - done).toHtmlEscaped();
        const QString target = match.captured(1).trimmed();
        const QString label =
            match.hasCaptured(2) && !match.captured(2).isEmpty() ? match.captured(2) : target;
        html +=
            QStringLiteral("<a href=\"topic:%1\">%2</a>")
                .arg(QString::fromLatin1(QUrl::toPercentEncoding(target)), label.toHtmlEscaped());
        done = match.capturedEnd();
    }
    html += line.mid(done).toHtmlEscaped();
    return html;
}

} // namespace

HelpFile HelpFile::parse(const QString &text) {
    HelpFile file;
    HelpTopic *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const auto header = headerPattern().match(line);
        if (header.hasMatch() && !header.captured(1).isEmpty()) {
            file.m_topics.push_back({header.captured(1), {}});
            current = &file.m_topics.back();
            continue;
        }
        // Text before the first topic is a preamble for whoever edits the file.
        if (current)
            current->body << line;
    }
    for (HelpTopic &topic : file.m_topics) {
        while (!topic.body.isEmpty() && topic.body.last().trimmed().isEmpty())
            topic.body.removeLast();
        while (!topic.body.isEmpty() && topic.body.first().trimmed().isEmpty())
            topic.body.removeFirst();
    }
    return file;
}

QStringList HelpFile::keywords() const {
    QStringList list;
    for (const HelpTopic &topic : m_topics)
        list << topic.keyword;
    return list;
}

const HelpTopic *HelpFile::find(const QString &keyword) const {
    if (keyword.trimmed().isEmpty())
        return contents();
    const QString wanted = normalised(keyword);
    for (const HelpTopic &topic : m_topics) {
        if (normalised(topic.keyword) == wanted)
            return &topic;
    }
    return nullptr;
}

const HelpTopic *HelpFile::contents() const {
    if (m_topics.empty())
        return nullptr;
    const QString wanted = normalised(kContents);
    for (const HelpTopic &topic : m_topics) {
        if (normalised(topic.keyword) == wanted)
            return &topic;
    }
    return &m_topics.front();
}

QString HelpFile::toHtml(const HelpTopic &topic) {
    QString html = QStringLiteral("<h2>%1</h2>\n").arg(topic.keyword.toHtmlEscaped());
    QString paragraph, item;
    bool inList = false;
    auto endParagraph = [&] {
        if (!paragraph.isEmpty())
            html += QStringLiteral("<p>%1</p>\n").arg(paragraph);
        paragraph.clear();
    };
    auto endItem = [&] {
        if (!item.isEmpty())
            html += QStringLiteral("<li>%1</li>\n").arg(item);
        item.clear();
    };
    auto endList = [&] {
        endItem();
        if (inList)
            html += QStringLiteral("</ul>\n");
        inList = false;
    };
    for (const QString &raw : topic.body) {
        const QString line = raw.trimmed();
        if (line.isEmpty()) {
            endParagraph();
            endList();
        } else if (line.startsWith(QLatin1String("- "))) {
            endParagraph();
            endItem();
            if (!inList)
                html += QStringLiteral("<ul>\n");
            inList = true;
            item = inlineHtml(line.mid(2).trimmed());
        } else if (inList && raw.front().isSpace()) {
            // An indented line goes on with the list item above it.
            item += QLatin1Char(' ') + inlineHtml(line);
        } else {
            endList();
            if (!paragraph.isEmpty())
                paragraph += QLatin1Char(' ');
            paragraph += inlineHtml(line);
        }
    }
    endParagraph();
    endList();
    return html;
}

QString HelpFile::linkTarget(const QString &href) {
    static const QString scheme = QStringLiteral("topic:");
    if (!href.startsWith(scheme))
        return {};
    return QUrl::fromPercentEncoding(href.mid(scheme.size()).toUtf8());
}
