#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The program's help file: plain text, one topic per keyword. A line "== Keyword ==" starts
// a topic; the lines up to the next such line are its body. In a body, blank lines separate
// paragraphs, a line starting with "- " is a list item, and [[Keyword]] or [[Keyword|text]]
// links to another topic. Keywords are matched without regard to case or surrounding blanks.
struct HelpTopic {
    QString keyword;
    QStringList body;
};

class HelpFile {
public:
    static inline const QString kContents = QStringLiteral("Contents");

    [[nodiscard]] static HelpFile parse(const QString &text);

    [[nodiscard]] const std::vector<HelpTopic> &topics() const { return m_topics; }
    [[nodiscard]] QStringList keywords() const;
    // The topic for a keyword; an empty keyword gives the contents. Nothing when unknown.
    [[nodiscard]] const HelpTopic *find(const QString &keyword) const;
    // The "Contents" topic, or the first topic when there is none; nothing in an empty file.
    [[nodiscard]] const HelpTopic *contents() const;

    // The topic as HTML for a text browser; links point to "topic:" + keyword.
    [[nodiscard]] static QString toHtml(const HelpTopic &topic);
    // The keyword a link made by toHtml points to, or an empty text for any other link.
    [[nodiscard]] static QString linkTarget(const QString &href);

private:
    std::vector<HelpTopic> m_topics;
};
