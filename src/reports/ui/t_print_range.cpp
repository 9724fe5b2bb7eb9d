#include "reports/ui/t_print_range.h"

#include "core/prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TPrintRange::TPrintRange(int pages, Prompter &prompter, FormLook look, QWidget *parent)
    : QDialog(parent), m_pages(pages), m_prompter(prompter), m_look(std::move(look)) {
    setObjectName(QStringLiteral("PrintRange"));
    setWindowTitle(QStringLiteral("Page Printing"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(9);
    setFont(designFont);

    auto *heading = new QLabel(QStringLiteral("Print pages"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->setGeometry(12, 10, 200, 18);

    auto *startLabel = new QLabel(QStringLiteral("&Starting Page:"), this);
    startLabel->setObjectName(QStringLiteral("Label2"));
    startLabel->setGeometry(12, 36, 100, 22);
    m_start = new QLineEdit(QStringLiteral("1"), this);
    m_start->setObjectName(QStringLiteral("StartPage"));
    m_start->setMaxLength(3);
    m_start->setGeometry(116, 36, 50, 22);
    startLabel->setBuddy(m_start);

    auto *endLabel = new QLabel(QStringLiteral("&Ending Page:"), this);
    endLabel->setObjectName(QStringLiteral("Label3"));
    endLabel->setGeometry(12, 66, 100, 22);
    m_end = new QLineEdit(QString::number(pages), this);
    m_end->setObjectName(QStringLiteral("EndPage"));
    m_end->setMaxLength(3);
    m_end->setGeometry(116, 66, 50, 22);
    endLabel->setBuddy(m_end);

    m_print = new QPushButton(QStringLiteral("&Print"), this);
    m_print->setObjectName(QStringLiteral("PrintButton"));
    m_print->setGeometry(190, 34, 80, 26);
    m_print->setDefault(true);
    connect(m_print, &QPushButton::clicked, this, &TPrintRange::PrintButtonClick);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelButton"));
    m_cancel->setGeometry(190, 66, 80, 26);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(284, 104);
}

void TPrintRange::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ShowScaled(this, m_look);
        m_start->setText(QStringLiteral("1"));
        m_end->setText(QString::number(m_pages));
        m_confirmed = false;
    }
    QDialog::showEvent(event);
}

void TPrintRange::PrintButtonClick() {
    switch (repselect::CheckPageRange(m_start->text(), m_end->text(), m_pages, &m_range)) {
    case repselect::RangeError::BadStart:
        m_prompter.error(QLatin1String(repselect::kBadStartPage));
        m_start->setFocus();
        return;
    case repselect::RangeError::BadEnd:
        m_prompter.error(QLatin1String(repselect::kBadEndPage));
        m_end->setFocus();
        return;
    case repselect::RangeError::None:
        m_confirmed = true;
        accept();
        return;
    }
}
