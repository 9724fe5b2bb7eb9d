#pragma once

#include "core/color_set.h"
#include "ui/form_scaling.h"
#include "views/color_scheme.h"

#include <QDialog>

#include <array>

class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// The colour configuration dialog: edits a working copy of one colour set (or of all five
// at once) colour by colour or from a predefined combination, with samples of each kind of
// control painted as it goes.
class TColorConfig : public QDialog {
    Q_OBJECT
public:
    TColorConfig(Prompter &prompter, colors::DialogTarget target, const ColorSet &working,
                 FormLook look, QWidget *parent = nullptr);

    [[nodiscard]] colors::DialogTarget target() const { return m_target; }
    [[nodiscard]] const ColorSet &workingColors() const { return m_working; }

    // After the dialog closed: on OK the working colours go into the target set (all five
    // for the ALL target). Returns true when the main window has to repaint at once.
    [[nodiscard]] bool applyTo(std::array<ColorSet, kColorTargetCount> &sets) const;

    // The whole use from a menu command: a dialog on a copy of the chosen set, shown
    // modally, applied on OK. Returns true when the main window has to repaint.
    [[nodiscard]] static bool Edit(Prompter &prompter,
                                   std::array<ColorSet, kColorTargetCount> &sets,
                                   colors::DialogTarget target, const FormLook &look,
                                   QWidget *parent = nullptr);

    // Paints the samples from the working copy.
    void PaintSamples();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPushButton *colorButton(const char *name, const QString &caption, ColorRole role,
                             QRect bounds);
    QLabel *heading(const char *name, const QString &text, QRect bounds);
    void ChooseColor(ColorRole role);
    void ColorSetsChange(int index);

    Prompter &m_prompter;
    colors::DialogTarget m_target;
    ColorSet m_working;
    FormLook m_look;
    bool m_shown = false;

    std::array<QLabel *, 6> m_headings{};
    QLabel *m_predefinedLabel = nullptr;
    QLineEdit *m_sampleEdit = nullptr;
    QListWidget *m_sampleList = nullptr;
    QComboBox *m_sampleCombo = nullptr;
    QComboBox *m_colorSets = nullptr;
    QCheckBox *m_sampleCheck = nullptr;
    QRadioButton *m_sampleRadio = nullptr;
};
