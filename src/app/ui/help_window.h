#pragma once

#include "app/help_file.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QTextBrowser;
class QUrl;

// The program's help viewer: the topic list on the left, the topic on the right. Opened
// by keyword from every window's Help button; an empty keyword opens the contents.
class THelpWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kBuiltIn = QStringLiteral(":/help/STOWKP.HLP");

    // Reads the help file at `path`; when that cannot be read, the copy built into the
    // program.
    explicit THelpWindow(const QString &path = {}, QWidget *parent = nullptr);

    // Shows the topic for a keyword and brings the window up. An unknown keyword shows the
    // contents with a note that there is no such topic.
    void showKeyword(const QString &keyword);

    [[nodiscard]] const HelpFile &helpFile() const { return m_file; }
    // The keyword of the topic on show, empty before any.
    [[nodiscard]] QString currentKeyword() const { return m_current; }
    // The note above the topic ("No help topic for ..."), empty when the keyword was found.
    [[nodiscard]] QString note() const;

private:
    void display(const HelpTopic *topic);
    void ContentsButtonClick();
    void TopicListClick();
    void TopicTextAnchorClicked(const QUrl &url);

    HelpFile m_file;
    QString m_current;
    QListWidget *m_list = nullptr;
    QTextBrowser *m_text = nullptr;
    QLabel *m_note = nullptr;
};
