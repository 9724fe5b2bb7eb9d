#include "ui/apply_colors.h"

#include "ui/form_components.h"
#include "ui/qt_convert.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPalette>
#include <QTabWidget>

namespace colors {

namespace {

const char *const kTitleProperty = "stowkeepTitle";

// Texts keep the style's look when disabled; backgrounds do not change.
void setText(QPalette &palette, QPalette::ColorRole role, const QColor &color) {
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
}

} // namespace

void SetTitle(QWidget *labelOrGroupBox, Title title) {
    labelOrGroupBox->setProperty(kTitleProperty, title == Title::Minor ? 2 : 1);
}

Title TitleOf(const QWidget *labelOrGroupBox) {
    const int stored = labelOrGroupBox->property(kTitleProperty).toInt();
    if (stored == 0)
        return KindOf(labelOrGroupBox) == ComponentKind::GroupBox ? Title::Minor : Title::Major;
    return stored == 2 ? Title::Minor : Title::Major;
}

void PaintBackground(QWidget *widget, std::uint32_t background) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(background));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintControl(QWidget *widget, std::uint32_t text, std::uint32_t background) {
    const QColor fore = ToQColor(text);
    const QColor back = ToQColor(background);
    QPalette palette = widget->palette();
    switch (KindOf(widget)) {
    case ComponentKind::ComboBox:
        // A drop-down draws its face in the button roles and its edit and list in the base.
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::Button, back);
        setText(palette, QPalette::Text, fore);
        setText(palette, QPalette::ButtonText, fore);
        break;
    case ComponentKind::Edit:
    case ComponentKind::MaskedEdit:
    case ComponentKind::Memo:
    case ComponentKind::ListBox:
    case ComponentKind::StringGrid:
        palette.setColor(QPalette::Base, back);
        palette.setColor(QPalette::AlternateBase, back);
        setText(palette, QPalette::Text, fore);
        break;
    case ComponentKind::RadioButton:
    case ComponentKind::CheckBox:
        // Buttons fill their background in the button role but draw their text in the
        // window text role.
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Button, back);
        setText(palette, QPalette::WindowText, fore);
        widget->setAutoFillBackground(true);
        break;
    default:
        palette.setColor(QPalette::Window, back);
        setText(palette, QPalette::WindowText, fore);
        widget->setAutoFillBackground(true);
        break;
    }
    widget->setPalette(palette);
    // The list of a drop-down is a view of its own.
    if (auto *combo = qobject_cast<QComboBox *>(widget); combo && combo->view()) {
        QPalette viewPalette = combo->view()->palette();
        viewPalette.setColor(QPalette::Base, back);
        setText(viewPalette, QPalette::Text, fore);
        combo->view()->setPalette(viewPalette);
    }
}

} // namespace colors

void SetColors(QWidget *window, const ColorSet &set) {
    using colors::PaintControl;
    const std::uint32_t background = set[ColorRole::MainBackground];
    colors::PaintBackground(window, background);
    for (QWidget *widget : FormComponents(window)) {
        switch (KindOf(widget)) {
        case ComponentKind::Label:
        case ComponentKind::GroupBox:
            PaintControl(widget,
                         colors::TitleOf(widget) == colors::Title::Minor
                             ? set[ColorRole::MinorTitle]
                             : set[ColorRole::MajorTitle],
                         background);
            break;
        case ComponentKind::Panel:
            colors::PaintBackground(widget, background);
            break;
        case ComponentKind::Notebook: {
            // Its pages are panels; left alone, the style draws them in its own light face.
            auto *tabs = static_cast<QTabWidget *>(widget);
            for (int i = 0; i < tabs->count(); ++i)
                colors::PaintBackground(tabs->widget(i), background);
            break;
        }
        case ComponentKind::Edit:
        case ComponentKind::MaskedEdit:
        case ComponentKind::Memo:
            PaintControl(widget, set[ColorRole::EditText], set[ColorRole::EditBackground]);
            break;
        case ComponentKind::ComboBox:
            PaintControl(widget, set[ColorRole::ComboText], set[ColorRole::ComboBackground]);
            break;
        case ComponentKind::ListBox:
        case ComponentKind::StringGrid:
            PaintControl(widget, set[ColorRole::ListBoxText], set[ColorRole::ListBoxBackground]);
            break;
        case ComponentKind::RadioButton:
            PaintControl(widget, set[ColorRole::RadioText], set[ColorRole::RadioBackground]);
            break;
        case ComponentKind::CheckBox:
            PaintControl(widget, set[ColorRole::CheckText], set[ColorRole::CheckBackground]);
            break;
        default:
            break;
        }
    }
}
