#include "search/ui/t_search_options.h"

#include "search/search_criteria.h"
#include "search/ui/t_my_search.h"
#include "ui/apply_colors.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TSearchOptions::TSearchOptions(TMySearch &search, int row, const QString &fieldName,
                               const QStringList &choices, FormLook look, ColorSet colors,
                               QWidget *parent)
    : QDialog(parent), m_search(search), m_row(row),
      m_comparisonChoice(search::KindOf(row) != search::RowKind::Character),
      m_look(std::move(look)), m_colors(colors) {
    setObjectName(QStringLiteral("SearchOptions"));
    setWindowTitle(QStringLiteral("Search Options"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_fieldName = new QLabel(fieldName, this);
    m_fieldName->setObjectName(QStringLiteral("FieldNameLabel"));
    m_fieldName->setAlignment(Qt::AlignCenter);
    m_fieldName->setGeometry(8, 8, 224, 20);
    QFont bold = m_fieldName->font();
    bold.setBold(true);
    m_fieldName->setFont(bold);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setGeometry(8, 32, 224, 150);
    m_list->addItems(choices);
    if (m_comparisonChoice)
        m_list->setCurrentRow(search.criteria().comparison(row) - 1);
    else
        m_list->setCurrentRow(-1);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &TSearchOptions::OkButtonClick);

    m_okButton = new QPushButton(QStringLiteral("&Ok"), this);
    m_okButton->setObjectName(QStringLiteral("OkButton"));
    m_okButton->setGeometry(30, 192, 80, 27);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &TSearchOptions::OkButtonClick);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setGeometry(130, 192, 80, 27);
    connect(m_cancelButton, &QPushButton::clicked, this, &TSearchOptions::CancelButtonClick);
    resize(240, 228);
}

void TSearchOptions::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TSearchOptions::FormShow() {
    ShowScaled(this, m_look);
    SetColors(this, m_colors);
}

void TSearchOptions::OkButtonClick() {
    const int selected = m_list->currentRow();
    if (m_comparisonChoice) {
        if (selected >= 0)
            m_search.setRowComparison(m_row, selected + 1);
        else
            m_search.makeCurrent(m_row);
    } else {
        if (selected >= 0)
            m_search.setCriterionText(m_row, m_list->item(selected)->text());
        m_search.makeCurrent(m_row);
    }
    accept();
}

void TSearchOptions::CancelButtonClick() {
    reject();
}
