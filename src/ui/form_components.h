#pragma once

#include <QWidget>

#include <vector>

// A window's components, as the font, colour and scaling helpers see them: every widget
// the window's own code placed, in creation order, found depth first through panels, group
// boxes and notebook pages, but not inside the private parts of a control (a combo box's
// edit, a grid's scroll bars).
enum class ComponentKind {
    Button,      // push button
    SpeedButton, // tool button
    Label,
    ListBox,    // list views, tree views (directory lists) and other item views
    StringGrid, // table views
    CheckBox,
    RadioButton,
    Edit,
    MaskedEdit, // a line edit with an input mask
    ComboBox,
    Memo,
    GroupBox,
    Panel, // a plain QFrame that is not a line
    Bevel, // a QFrame drawn as a line, or one marked with MarkBevel()
    Notebook,
    Other,
};

[[nodiscard]] ComponentKind KindOf(const QWidget *widget);
[[nodiscard]] std::vector<QWidget *> FormComponents(QWidget *form);

// A box frame that only decorates (like the frames around the main window's buttons) is a
// bevel rather than a panel: it keeps its bounds but takes no font and no colour.
void MarkBevel(QWidget *frame);

// True when a layout of the widget's parent places it, so its geometry is not its own.
[[nodiscard]] bool IsLaidOut(const QWidget *widget);
