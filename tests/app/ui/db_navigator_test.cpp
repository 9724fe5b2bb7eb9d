#include "app/ui/db_navigator.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>

namespace {

// The darkest grey level of the button as drawn: its glyph, since the face is light.
int darkest(QToolButton *button) {
    const QImage image = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int level = 255;
    // Inside the frame, where only the face and the glyph are.
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x)
            level = std::min(level, qGray(image.pixel(x, y)));
    return level;
}

} // namespace

TEST(DbNavigator, ADisabledButtonLooksDisabled) {
    EnsureQtApplication();
    DbNavigator navigator;
    navigator.resize(400, 25);
    navigator.show();
    QToolButton *insert = navigator.button(DbNavigator::Insert);
    const int enabled = darkest(insert);
    EXPECT_LT(enabled, 64);
    insert->setEnabled(false);
    const int disabled = darkest(insert);
    EXPECT_GT(disabled, 120) << "enabled " << enabled;
    // Post and Cancel start disabled: no record is being changed.
    EXPECT_GT(darkest(navigator.button(DbNavigator::Post)), 120);
    navigator.setEditing(true);
    EXPECT_LT(darkest(navigator.button(DbNavigator::Post)), 120);
}
