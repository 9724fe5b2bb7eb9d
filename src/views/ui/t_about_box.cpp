#include "views/ui/t_about_box.h"

#include "ui/artwork.h"
#include "ui/form_scaling.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

TAboutBox::TAboutBox(double factor, QSize screen, QWidget *parent)
    : QDialog(parent), m_factor(factor), m_screen(screen) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(9);
    setFont(designFont);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, 282, 110);

    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(ProgramIconPixmap(32));
    icon->setGeometry(12, 12, 32, 32);

    m_productName = new QLabel(panel);
    m_productName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont = m_productName->font();
    nameFont.setPointSize(12);
    nameFont.setBold(true);
    m_productName->setFont(nameFont);
    m_productName->setGeometry(56, 14, 216, 24);

    m_version = new QLabel(panel);
    m_version->setObjectName(QStringLiteral("Version"));
    m_version->setGeometry(56, 46, 216, 18);

    auto *ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(111, 128, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    resize(298, 162);
}

void TAboutBox::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ScaleAndCenter(this, m_factor, m_screen);
        m_productName->setText(QStringLiteral("Stowkeep Inventory 95"));
        m_version->setText(QStringLiteral("Version 3.0i"));
    }
    QDialog::showEvent(event);
}
