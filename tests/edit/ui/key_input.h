#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

// Key presses delivered as the window system would, to the widget itself (the window's own
// key preview sees them through its event filter first).
namespace keys {

inline void press(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  const QString &text = {}) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &up);
}

inline void type(QWidget *target, const QString &text) {
    for (QChar c : text)
        press(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

} // namespace keys
