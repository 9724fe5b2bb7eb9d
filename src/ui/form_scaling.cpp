#include "ui/form_scaling.h"

#include "core/prompter.h"
#include "settings/settings.h"
#include "ui/form_components.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

int scaled(int value, double ratio) {
    return static_cast<int>(std::lround(value * ratio));
}

QSize scaledLimit(QSize size, double ratio, bool maximum) {
    auto one = [&](int v) {
        if (maximum && v >= QWIDGETSIZE_MAX)
            return v;
        return std::min(scaled(v, ratio), static_cast<int>(QWIDGETSIZE_MAX));
    };
    return {one(size.width()), one(size.height())};
}

// A font size independent of whether it was given in points or pixels.
double fontSize(const QFont &font) {
    return font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize();
}

QFont withSize(QFont font, double size, const QFont &like) {
    if (like.pointSizeF() > 0)
        font.setPointSizeF(size);
    else
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    return font;
}

// Gives every widget the size it should have: widgets that inherit their font from a
// parent already did, the others are set on their own.
void settleFontSizes(const std::vector<QWidget *> &components,
                     const std::map<QWidget *, QFont> &wanted) {
    for (QWidget *widget : components) {
        const auto it = wanted.find(widget);
        if (it == wanted.end())
            continue;
        const double want = fontSize(it->second);
        if (std::abs(fontSize(widget->font()) - want) > 0.01)
            widget->setFont(withSize(widget->font(), want, it->second));
    }
}

void scaleLayout(QLayout *layout, double ratio) {
    const QMargins m = layout->contentsMargins();
    layout->setContentsMargins(scaled(m.left(), ratio), scaled(m.top(), ratio),
                               scaled(m.right(), ratio), scaled(m.bottom(), ratio));
    if (layout->spacing() >= 0)
        layout->setSpacing(scaled(layout->spacing(), ratio));
}

// Every layout of the form, its components and the layouts nested in them.
std::vector<QLayout *> allLayouts(QWidget *form, const std::vector<QWidget *> &components) {
    std::vector<QLayout *> out;
    auto add = [&out](auto &&self, QLayout *layout) -> void {
        if (!layout)
            return;
        out.push_back(layout);
        for (int i = 0; i < layout->count(); ++i) {
            if (QLayoutItem *item = layout->itemAt(i))
                self(self, item->layout());
        }
    };
    add(add, form->layout());
    for (QWidget *widget : components)
        add(add, widget->layout());
    return out;
}

bool takesFont(ComponentKind kind) {
    return kind != ComponentKind::Bevel && kind != ComponentKind::Other;
}

void applyFont(QWidget *widget, const FontSpec &spec) {
    QFont font = widget->font();
    font.setFamily(spec.name);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    widget->setFont(font);
}

bool hasBoldFace(const QString &family) {
    const QStringList styles = QFontDatabase::styles(family);
    return std::any_of(styles.begin(), styles.end(), [&family](const QString &style) {
        return QFontDatabase::weight(family, style) >= QFont::Bold;
    });
}

} // namespace

QFont BoldHeadingFont(QFont font) {
    font.setBold(true);
    const QString family = QFontInfo(font).family();
    if (QFontDatabase::isFixedPitch(family) && !hasBoldFace(family))
        font.setFamily(QGuiApplication::font().family());
    return font;
}

double ScaleRatio(double factor) {
    return std::lround(factor * 100.0) / 100.0;
}

QSize ScreenSize(QSize screen) {
    if (screen.isValid() && !screen.isEmpty())
        return screen;
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        return primary->size();
    return {640, 480};
}

void ScaleForm(QWidget *form, double ratio) {
    if (!form || ratio <= 0 || std::abs(ratio - 1.0) < 1e-9)
        return;
    const std::vector<QWidget *> components = FormComponents(form);
    std::map<QWidget *, QFont> wanted;
    for (QWidget *widget : components) {
        const QFont font = widget->font();
        wanted[widget] = withSize(font, fontSize(font) * ratio, font);
    }
    const QFont formFont = form->font();
    form->setFont(withSize(formFont, fontSize(formFont) * ratio, formFont));
    settleFontSizes(components, wanted);

    for (QWidget *widget : components) {
        widget->setMinimumSize(scaledLimit(widget->minimumSize(), ratio, false));
        widget->setMaximumSize(scaledLimit(widget->maximumSize(), ratio, true));
        if (!IsLaidOut(widget)) {
            const QRect r = widget->geometry();
            widget->setGeometry(scaled(r.x(), ratio), scaled(r.y(), ratio),
                                scaled(r.width(), ratio), scaled(r.height(), ratio));
        }
    }
    for (QLayout *layout : allLayouts(form, components))
        scaleLayout(layout, ratio);
    form->setMinimumSize(scaledLimit(form->minimumSize(), ratio, false));
    form->setMaximumSize(scaledLimit(form->maximumSize(), ratio, true));
    form->resize(scaled(form->width(), ratio), scaled(form->height(), ratio));
}

void CenterOnScreen(QWidget *form, QSize screen) {
    const QSize area = ScreenSize(screen);
    const QSize size = form->frameGeometry().size();
    form->move((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
}

void ScaleAndCenter(QWidget *form, double factor, QSize screen) {
    ScaleForm(form, ScaleRatio(factor));
    CenterOnScreen(form, screen);
}

void MoveUpIfLow(QWidget *form) {
    if (form->y() > 10)
        form->move(form->x(), form->y() - 10);
}

bool DimensionRecord::save(QWidget *form, Prompter &prompter) {
    m_slots = {};
    m_clientSize = form->size();
    m_minimum = form->minimumSize();
    m_maximum = form->maximumSize();
    m_formFont = form->font();
    m_formFontSet = form->testAttribute(Qt::WA_SetFont);
    m_saved = true;
    const std::vector<QWidget *> components = FormComponents(form);
    for (std::size_t index = 0; index < components.size(); ++index) {
        if (index >= static_cast<std::size_t>(kSlots)) {
            prompter.error(QStringLiteral("Too many compenents to save dimensions."));
            recordLayouts(form, components);
            return false;
        }
        QWidget *widget = components[index];
        Slot &slot = m_slots[index];
        slot.widget = widget;
        slot.bounds = !IsLaidOut(widget);
        slot.rect = widget->geometry();
        slot.minimum = widget->minimumSize();
        slot.maximum = widget->maximumSize();
        slot.hasFont = takesFont(KindOf(widget));
        slot.font = widget->font();
    }
    recordLayouts(form, components);
    return true;
}

void DimensionRecord::recordLayouts(QWidget *form, const std::vector<QWidget *> &components) {
    m_layouts.clear();
    for (QLayout *layout : allLayouts(form, components))
        m_layouts.push_back({layout, layout->contentsMargins(), layout->spacing()});
}

void DimensionRecord::restore(QWidget *form) const {
    if (!m_saved)
        return;
    // Back to the inherited font when the form had none of its own.
    form->setFont(m_formFontSet ? m_formFont : QFont());
    std::vector<QWidget *> fonted;
    std::map<QWidget *, QFont> wanted;
    for (const Slot &slot : m_slots) {
        if (!slot.widget || !slot.hasFont)
            continue;
        fonted.push_back(slot.widget);
        wanted[slot.widget] = slot.font;
    }
    settleFontSizes(fonted, wanted);
    for (const Slot &slot : m_slots) {
        if (!slot.widget)
            continue;
        slot.widget->setMinimumSize(slot.minimum);
        slot.widget->setMaximumSize(slot.maximum);
        if (slot.bounds)
            slot.widget->setGeometry(slot.rect);
    }
    for (const LayoutSlot &slot : m_layouts) {
        if (!slot.layout)
            continue;
        slot.layout->setContentsMargins(slot.margins);
        if (slot.spacing >= 0)
            slot.layout->setSpacing(slot.spacing);
    }
    form->setMinimumSize(m_minimum);
    form->setMaximumSize(m_maximum);
    form->resize(m_clientSize);
}

void RestoreAndScale(QWidget *form, const DimensionRecord &record, double factor, QSize screen) {
    record.restore(form);
    ScaleAndCenter(form, factor, screen);
}

void ApplyFonts(QWidget *form, const FontSpec &labelFont, const FontSpec &editFont,
                const FontSpec &buttonFont) {
    for (QWidget *widget : FormComponents(form)) {
        switch (KindOf(widget)) {
        case ComponentKind::Label:
        case ComponentKind::ListBox:
        case ComponentKind::CheckBox:
        case ComponentKind::RadioButton:
        case ComponentKind::GroupBox:
            applyFont(widget, labelFont);
            break;
        case ComponentKind::StringGrid:
        case ComponentKind::Edit:
        case ComponentKind::MaskedEdit:
        case ComponentKind::ComboBox:
            applyFont(widget, editFont);
            break;
        case ComponentKind::Button:
            applyFont(widget, buttonFont);
            break;
        default:
            break;
        }
    }
}

void ApplyFonts(QWidget *form, const Settings &settings) {
    ApplyFonts(form, settings.labelFont, settings.editFont, settings.buttonFont);
}

FormLook FormLook::from(const Settings &settings, double factor, QSize screen) {
    return {settings.labelFont, settings.editFont, settings.buttonFont, factor, screen};
}

void ShowScaled(QWidget *form, const FormLook &look, bool moveUp) {
    ApplyFonts(form, look.labelFont, look.editFont, look.buttonFont);
    ScaleAndCenter(form, look.factor, look.screen);
    if (moveUp)
        MoveUpIfLow(form);
}
