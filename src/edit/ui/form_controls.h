#pragma once

#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QString>

// Controls placed at their design bounds, named as the windows document them.
namespace formcontrols {

// A push button that Enter does not press unless the window makes it the default.
inline QPushButton *MakeButton(QWidget *parent, const char *name, const char *caption, QRect rect) {
    auto *button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(rect);
    button->setAutoDefault(false);
    return button;
}

inline QLabel *MakeLabel(QWidget *parent, const char *name, const QString &text, QRect rect) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(rect);
    return label;
}

} // namespace formcontrols
