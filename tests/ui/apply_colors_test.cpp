#include "ui/apply_colors.h"

#include "support/qt_app.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace {

// Thirteen different colours, so a control painted from the wrong slot shows.
ColorSet distinctSet() {
    ColorSet set;
    for (int i = 0; i < kColorRoleCount; ++i)
        set.colors[static_cast<std::size_t>(i)] = 0x101010u * static_cast<std::uint32_t>(i + 1);
    return set;
}

QColor color(const QWidget *w, QPalette::ColorRole role) {
    return w->palette().color(QPalette::Active, role);
}

} // namespace

TEST(SetColors, PaintsEachControlByItsKind) {
    EnsureQtApplication();
    QWidget form;
    auto *major = new QLabel(QStringLiteral("Heading"), &form);
    auto *minor = new QLabel(QStringLiteral("Caption"), &form);
    colors::SetTitle(minor, colors::Title::Minor);
    auto *panel = new QFrame(&form);
    auto *group = new QGroupBox(QStringLiteral("Group"), panel);
    auto *edit = new QLineEdit(group);
    auto *masked = new QLineEdit(&form);
    masked->setInputMask(QStringLiteral("99"));
    auto *combo = new QComboBox(&form);
    auto *list = new QListWidget(&form);
    auto *grid = new QTableWidget(&form);
    auto *radio = new QRadioButton(&form);
    auto *check = new QCheckBox(&form);
    auto *button = new QPushButton(&form);
    const QColor buttonFace = color(button, QPalette::Button);
    const QColor buttonText = color(button, QPalette::ButtonText);

    const ColorSet set = distinctSet();
    SetColors(&form, set);
    auto c = [&](ColorRole role) { return ToQColor(set[role]); };

    EXPECT_EQ(color(&form, QPalette::Window), c(ColorRole::MainBackground));
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_EQ(color(major, QPalette::WindowText), c(ColorRole::MajorTitle));
    EXPECT_EQ(color(major, QPalette::Window), c(ColorRole::MainBackground));
    EXPECT_EQ(color(minor, QPalette::WindowText), c(ColorRole::MinorTitle));
    EXPECT_EQ(color(group, QPalette::WindowText), c(ColorRole::MinorTitle));
    EXPECT_EQ(color(panel, QPalette::Window), c(ColorRole::MainBackground));
    EXPECT_EQ(color(edit, QPalette::Base), c(ColorRole::EditBackground));
    EXPECT_EQ(color(edit, QPalette::Text), c(ColorRole::EditText));
    EXPECT_EQ(color(masked, QPalette::Base), c(ColorRole::EditBackground));
    EXPECT_EQ(color(combo, QPalette::Base), c(ColorRole::ComboBackground));
    EXPECT_EQ(color(combo, QPalette::Button), c(ColorRole::ComboBackground));
    EXPECT_EQ(color(combo, QPalette::ButtonText), c(ColorRole::ComboText));
    EXPECT_EQ(color(combo->view(), QPalette::Base), c(ColorRole::ComboBackground));
    EXPECT_EQ(color(list, QPalette::Base), c(ColorRole::ListBoxBackground));
    EXPECT_EQ(color(list, QPalette::Text), c(ColorRole::ListBoxText));
    EXPECT_EQ(color(grid, QPalette::Base), c(ColorRole::ListBoxBackground));
    EXPECT_EQ(color(grid, QPalette::Text), c(ColorRole::ListBoxText));
    EXPECT_EQ(color(radio, QPalette::Window), c(ColorRole::RadioBackground));
    EXPECT_EQ(color(radio, QPalette::WindowText), c(ColorRole::RadioText));
    EXPECT_EQ(color(check, QPalette::Window), c(ColorRole::CheckBackground));
    EXPECT_EQ(color(check, QPalette::WindowText), c(ColorRole::CheckText));
    // Buttons keep the style's colours.
    EXPECT_EQ(color(button, QPalette::Button), buttonFace);
    EXPECT_EQ(color(button, QPalette::ButtonText), buttonText);
}

TEST(SetColors, RepaintingWithAnotherSetReplacesTheColours) {
    EnsureQtApplication();
    QWidget form;
    auto *edit = new QLineEdit(&form);
    SetColors(&form, distinctSet());
    ColorSet other;
    other[ColorRole::EditBackground] = 0x0000FF;
    SetColors(&form, other);
    EXPECT_EQ(color(edit, QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(color(&form, QPalette::Window), ToQColor(kSilver));
}
