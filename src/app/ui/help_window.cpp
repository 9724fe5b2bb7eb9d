#include "app/ui/help_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The help file is built into the windows library; a static library keeps it only when
// something refers to it.
static void initHelpResource() {
    static const bool done = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)done;
}

namespace {

QString readText(const QString &path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

THelpWindow::THelpWindow(const QString &path, QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Stowkeep Inventory 95 Help"));

    initHelpResource();
    QString text = readText(path);
    m_file = HelpFile::parse(text);
    if (m_file.topics().empty())
        m_file = HelpFile::parse(readText(kBuiltIn));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("TopicList"));
    m_list->addItems(m_file.keywords());
    m_list->setMaximumWidth(220);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("NoteLabel"));
    m_note->hide();

    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("TopicText"));
    m_text->setOpenLinks(false);

    auto *contents = new QPushButton(QStringLiteral("&Contents"), this);
    contents->setObjectName(QStringLiteral("ContentsButton"));
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));

    auto *right = new QVBoxLayout;
    right->addWidget(m_note);
    right->addWidget(m_text, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addStretch(1);
    buttons->addWidget(close);
    right->addLayout(buttons);
    auto *main = new QHBoxLayout(this);
    main->addWidget(m_list);
    main->addLayout(right, 1);
    resize(640, 420);

    connect(m_list, &QListWidget::itemClicked, this, &THelpWindow::TopicListClick);
    connect(m_list, &QListWidget::itemActivated, this, &THelpWindow::TopicListClick);
    connect(m_text, &QTextBrowser::anchorClicked, this, &THelpWindow::TopicTextAnchorClicked);
    connect(contents, &QPushButton::clicked, this, &THelpWindow::ContentsButtonClick);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
}

void THelpWindow::showKeyword(const QString &keyword) {
    const HelpTopic *topic = m_file.find(keyword);
    if (topic) {
        m_note->hide();
        m_note->clear();
    } else {
        m_note->setText(QStringLiteral("No help topic for \"%1\".").arg(keyword));
        m_note->show();
        topic = m_file.contents();
    }
    display(topic);
    show();
    raise();
    activateWindow();
}

QString THelpWindow::note() const {
    return m_note->text();
}

void THelpWindow::display(const HelpTopic *topic) {
    if (!topic) {
        m_current.clear();
        m_text->setHtml(QStringLiteral("<p>The help file holds no topics.</p>"));
        return;
    }
    m_current = topic->keyword;
    m_text->setHtml(HelpFile::toHtml(*topic));
    const auto index = m_file.keywords().indexOf(topic->keyword);
    m_list->setCurrentRow(static_cast<int>(index));
}

void THelpWindow::ContentsButtonClick() {
    showKeyword(QString());
}

void THelpWindow::TopicListClick() {
    if (const QListWidgetItem *item = m_list->currentItem())
        showKeyword(item->text());
}

void THelpWindow::TopicTextAnchorClicked(const QUrl &url) {
    const QString target = HelpFile::linkTarget(QString::fromUtf8(url.toEncoded()));
    if (!target.isEmpty())
        showKeyword(target);
}
