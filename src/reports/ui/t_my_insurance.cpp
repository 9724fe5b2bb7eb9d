#include "reports/ui/t_my_insurance.h"

#include "reports/report_selection.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TMyInsurance::TMyInsurance(Settings &settings, FormLook look, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_look(std::move(look)) {
    setObjectName(QStringLiteral("MyInsurance"));
    setWindowTitle(QStringLiteral("Insurance Information"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(9);
    setFont(designFont);

    auto label = [this](const char *name, const char *text, int top) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(12, top, 150, 18);
        return l;
    };
    auto edit = [this](const char *name, int maxLength, int top) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(maxLength);
        e->setGeometry(12, top, 260, 22);
        return e;
    };
    auto check = [this](const char *name, const char *text, int top, int left = 284) {
        auto *c = new QCheckBox(QString::fromUtf8(text), this);
        c->setObjectName(QLatin1String(name));
        c->setGeometry(left, top, 260, 22);
        return c;
    };

    label("Label1", "Insurance &Company", 10)->setBuddy(m_company = edit("InsCo", 40, 30));
    m_printCompany = check("PrintInsCo", "Print On Report", 30);
    label("Label2", "&Policy Number", 62)->setBuddy(m_policy = edit("PolNum", 20, 82));
    m_printPolicy = check("PrintPolNum", "Print On Report", 82);
    label("Label3", "Your &Name", 114)->setBuddy(m_name = edit("YourName", 30, 134));
    m_printStatement = check("PrintStatement", "Print Insurance Inventory Statement", 168, 12);
    m_printCompany->setFixedWidth(130);
    m_printPolicy->setFixedWidth(130);

    m_ok = new QPushButton(QStringLiteral("&Ok"), this);
    m_ok->setObjectName(QStringLiteral("Button1"));
    m_ok->setGeometry(170, 204, 88, 28);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(428, 244);
    fill();
}

void TMyInsurance::fill() {
    const repselect::Insurance v = repselect::InsuranceOf(m_settings);
    m_company->setText(v.company);
    m_policy->setText(v.policy);
    m_name->setText(v.name);
    m_printCompany->setChecked(v.printCompany);
    m_printPolicy->setChecked(v.printPolicy);
    m_printStatement->setChecked(v.printStatement);
}

void TMyInsurance::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMyInsurance::FormShow() {
    ShowScaled(this, m_look);
    SetColors(this, m_settings.colorSet(ColorTarget::Report));
    fill();
}

void TMyInsurance::done(int result) {
    // Escape and the close box keep what was typed, as OK does.
    repselect::StoreInsurance({m_company->text(), m_policy->text(), m_name->text(),
                               m_printCompany->isChecked(), m_printPolicy->isChecked(),
                               m_printStatement->isChecked()},
                              m_settings);
    QDialog::done(result);
}
