#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Drives the modal window of type D that the next command opens: the zero timer fires
// inside its modal loop, once it is shown. A window left open is closed as cancelled.
template <typename D> void WhenShown(std::function<void(D &)> drive) {
    QTimer::singleShot(0, qApp, [drive = std::move(drive)] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<D *>(widget);
            if (dialog && dialog->isVisible()) {
                drive(*dialog);
                if (dialog->isVisible())
                    static_cast<QDialog *>(dialog)->done(QDialog::Rejected);
                return;
            }
        }
        ADD_FAILURE() << "the window was not shown";
    });
}
