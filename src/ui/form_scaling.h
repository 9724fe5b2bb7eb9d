#pragma once

#include "core/font_spec.h"

#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <array>
#include <vector>

class Prompter;
class QLayout;
struct Settings;

// Windows are drawn at the screen size the user chose: each scales itself by the
// window-size factor when shown and centres itself on the screen.

// The ratio a form is scaled by: the factor to two decimals (1.0, 1.25, 1.6 or 2.0).
[[nodiscard]] double ScaleRatio(double factor);

// The screen windows centre on; an empty size stands for the primary screen.
[[nodiscard]] QSize ScreenSize(QSize screen = {});

// Scales the form, its components' bounds and font sizes, layouts' margins and spacing.
void ScaleForm(QWidget *form, double ratio);
// left = (screen width - form width) div 2, top likewise.
void CenterOnScreen(QWidget *form, QSize screen = {});
// For windows that are created afresh for each use, and so are at their design size.
void ScaleAndCenter(QWidget *form, double factor, QSize screen = {});
// Some windows sit a little higher: up by 10 pixels when their top is below 10.
void MoveUpIfLow(QWidget *form);

// The design dimensions of a window that lives for the whole run, so that each showing
// starts again from the design size instead of growing by the factor every time.
class DimensionRecord {
public:
    static constexpr int kSlots = 101;

    // Records the form's client size and its components (kinds as FormComponents sees
    // them). With more components than slots it shows "Too many compenents to save
    // dimensions." and keeps what it recorded so far; returns false then.
    [[nodiscard]] bool save(QWidget *form, Prompter &prompter);
    [[nodiscard]] bool isSaved() const { return m_saved; }
    // Puts the form and every recorded component back to the recorded state.
    void restore(QWidget *form) const;

private:
    void recordLayouts(QWidget *form, const std::vector<QWidget *> &components);

    struct Slot {
        QPointer<QWidget> widget;
        bool bounds = false; // laid-out widgets keep no bounds of their own
        QRect rect;
        QSize minimum, maximum;
        bool hasFont = false;
        QFont font;
    };
    struct LayoutSlot {
        QPointer<QLayout> layout;
        QMargins margins;
        int spacing = -1;
    };
    std::array<Slot, kSlots> m_slots;
    std::vector<LayoutSlot> m_layouts;
    QSize m_clientSize;
    QSize m_minimum, m_maximum;
    QFont m_formFont;
    bool m_formFontSet = false;
    bool m_saved = false;
};

// Restore, then scale by the factor, then centre.
void RestoreAndScale(QWidget *form, const DimensionRecord &record, double factor,
                     QSize screen = {});

// The user's fonts on a window: labels, list boxes, check boxes, radio buttons and group
// boxes take the label font, string grids, edit boxes, masked edits and combo boxes the
// edit font, buttons the button font. Only the name and the bold and italic style change.
void ApplyFonts(QWidget *form, const FontSpec &labelFont, const FontSpec &editFont,
                const FontSpec &buttonFont);
void ApplyFonts(QWidget *form, const Settings &settings);
// A heading's font made bold. Qt cannot embolden a fixed-pitch face, so a family with no
// bold face of its own gives way to the default family, and the heading stays bold.
[[nodiscard]] QFont BoldHeadingFont(QFont font);

// What a window needs to be shown the way the user chose: the three form fonts, the
// window-size factor, and the screen it centres on (empty: the primary screen).
struct FormLook {
    FontSpec labelFont;
    FontSpec editFont;
    FontSpec buttonFont;
    double factor = 1.0;
    QSize screen;

    [[nodiscard]] static FormLook from(const Settings &settings, double factor, QSize screen = {});
};
// Fonts first, then scale and centre: the usual showing of a window made for one use.
void ShowScaled(QWidget *form, const FormLook &look, bool moveUp = false);
