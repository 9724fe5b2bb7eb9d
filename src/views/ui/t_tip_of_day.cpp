#include "views/ui/t_tip_of_day.h"

#include "ui/artwork.h"
#include "ui/form_scaling.h"
#include "views/tips.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

TTipOfDay::TTipOfDay(bool &showTips, double factor, QSize screen, QWidget *parent)
    : QDialog(parent), m_showTips(showTips), m_factor(factor), m_screen(screen) {
    setObjectName(QStringLiteral("TipOfDay"));
    setWindowTitle(QStringLiteral("Tip of the Day"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(9);
    setFont(designFont);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("TipPanel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(10, 10, 340, 130);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    panel->setPalette(white);
    panel->setAutoFillBackground(true);

    auto *picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("TipPicture"));
    picture->setPixmap(TipPicture());
    picture->setScaledContents(true);
    picture->setGeometry(12, 12, 38, 41);

    auto *didYouKnow = new QLabel(QStringLiteral("Did you know?"), panel);
    didYouKnow->setObjectName(QStringLiteral("DidYouKnow"));
    QFont headingFont = didYouKnow->font();
    headingFont.setPointSize(14);
    headingFont.setBold(true);
    didYouKnow->setFont(headingFont);
    didYouKnow->setGeometry(62, 20, 260, 26);

    m_comment = new QLabel(panel);
    m_comment->setObjectName(QStringLiteral("TipComment"));
    m_comment->setWordWrap(true);
    m_comment->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_comment->setGeometry(62, 56, 266, 66);

    m_showTipsBox = new QCheckBox(QStringLiteral("&Show Tips at Startup"), this);
    m_showTipsBox->setObjectName(QStringLiteral("ShowTips"));
    m_showTipsBox->setGeometry(10, 150, 170, 22);

    auto *next = new QPushButton(QStringLiteral("&Next Tip"), this);
    next->setObjectName(QStringLiteral("NextTipButton"));
    next->setGeometry(196, 148, 75, 25);
    connect(next, &QPushButton::clicked, this, &TTipOfDay::NextTipButtonClick);
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setGeometry(275, 148, 75, 25);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    resize(360, 183);
    ShowTip(1);
}

void TTipOfDay::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        ScaleAndCenter(this, m_factor, m_screen);
        m_showTipsBox->setChecked(m_showTips);
        ShowTip(tips::RandomTip());
    }
    QDialog::showEvent(event);
}

void TTipOfDay::ShowTip(int number) {
    m_tip = number;
    m_comment->setText(tips::TipText(number));
}

void TTipOfDay::NextTipButtonClick() {
    ShowTip(tips::NextTip(m_tip));
}

void TTipOfDay::done(int result) {
    m_showTips = m_showTipsBox->isChecked();
    QDialog::done(result);
}
