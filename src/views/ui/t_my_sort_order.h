#pragma once

#include "core/color_set.h"
#include "ui/form_scaling.h"
#include "views/sort_order.h"

#include <QDialog>

#include <array>
#include <optional>

class MyTable;
class Prompter;
class QComboBox;
class QLabel;
class QPushButton;
struct Settings;

// The sort order dialog: four lists of "<NONE>" and the display names, one per sort level.
// OK applies the chosen levels (sortorder::ApplySortOrder) and closes only when the new
// order is in place; after a refusal or a failure the dialog stays open.
class TMySortOrder : public QDialog {
    Q_OBJECT
public:
    TMySortOrder(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
                 FormLook look, QWidget *parent = nullptr);

    // The levels the four lists select (position in a list = level value).
    [[nodiscard]] std::array<int, 4> selectedLevels() const;
    // What the last OK ended in; nothing applied yet while it is unset.
    [[nodiscard]] std::optional<sortorder::Outcome> lastOutcome() const { return m_outcome; }

    void OkButtonClick();

    // The whole use from the main window's command: create, show modally, free.
    // True when a new order was put in place.
    static bool Run(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
                    const FormLook &look, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void selectLevels();

    MyTable &m_table;
    Settings &m_settings;
    Prompter &m_prompter;
    MainHooks &m_hooks;
    FormLook m_look;
    bool m_shown = false;
    std::optional<sortorder::Outcome> m_outcome;

    std::array<QLabel *, 4> m_labels{};
    std::array<QComboBox *, 4> m_combos{};
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
