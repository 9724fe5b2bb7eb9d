#pragma once

#include "edit/pick_lists.h"
#include "edit/record_editor.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <array>
#include <functional>

class MaskedEdit;
class MyTable;
class Prompter;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTabWidget;
struct Settings;

// The record editor ("Edit"): the one window in which item records are typed in and
// changed, on four notebook pages. It is made once and shown for the main window's add,
// edit and copy commands; its combo boxes show the pick lists it keeps. The rules live in
// editor::RecordEditor; this window moves the controls' contents in and out.
class TMyEdit : public QDialog {
    Q_OBJECT
public:
    using LookSource = std::function<FormLook()>;

    // The pick lists are loaded from `programDirectory` now; the window keeps them for the
    // whole run (its combo boxes show them).
    TMyEdit(MyTable &table, Settings &settings, const QString &programDirectory, Prompter &prompter,
            LookSource look, QWidget *parent = nullptr);
    ~TMyEdit() override;

    [[nodiscard]] int editMode() const { return m_editor.editMode(); }
    void setEditMode(int mode) { m_editor.setEditMode(mode); }
    [[nodiscard]] picklists::PickLists &pickLists() { return m_lists; }
    // Browse mode: the commands that change data are off, and leaving asks nothing.
    void setBrowseMode(bool on);
    // What the controls hold now.
    [[nodiscard]] editor::FormValues collect() const;

    // Event handlers, public so that tests and menus reach the same operations.
    void UpdateButtonClick();
    void UpdateExitButtonClick();
    void ClearButtonClick();
    void CancelButtonClick();
    void PrevButtonClick();
    void NextButtonClick();
    void BlankWarDateClick();
    void BlankPurchDateClick();
    void MenuNewClick();
    void MenuCopyRecordClick();
    void MenuCutClick();
    void MenuCopyClick();
    void MenuPasteClick();
    void MenuDeleteClick();
    void MenuHelpClick();

    // Every close, whatever its cause, saves the pick lists.
    void done(int result) override;
    // Escape and the title bar's close box ask about unsaved changes as Exit does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void SetColors();
    void buildPages();
    void buildButtons();
    void buildMenu();
    void filterEvents(QWidget *widget);

    void apply(const editor::FormValues &values);
    void showOutcome(const editor::RecordEditor::Outcome &outcome);
    void focusControl(editor::Control control);
    void setControlText(editor::Control control, const QString &text);
    void refreshItemLines();
    void refreshTotals();
    void refreshList(picklists::List list);
    void controlLeft(editor::Control control);
    [[nodiscard]] std::optional<editor::Control> controlOf(QObject *object) const;
    void enterPressed(QObject *watched);
    // Runs a command; an error of the database engine is shown and the window stays open.
    void guarded(const std::function<void()> &command);
    // The edit box behind a focused edit or combo box, for the Edit menu.
    [[nodiscard]] QLineEdit *clipboardTarget() const;

    MyTable &m_table;
    Settings &m_settings;
    picklists::PickLists m_lists;
    Prompter &m_prompter;
    LookSource m_look;
    editor::RecordEditor m_editor;
    bool m_browseMode = false;
    DimensionRecord m_dimensions;
    int m_listListener = 0;
    bool m_closing = false;

    QMenuBar *m_menuBar = nullptr;
    QTabWidget *m_notebook = nullptr;
    std::array<QWidget *, editor::kControlCount> m_controls{};
    std::array<QLabel *, editor::kControlCount> m_labels{};
    QCheckBox *m_warranty = nullptr;
    std::array<QLabel *, 3> m_itemLines{}; // Worth, Warranty, Other
    QLabel *m_totValue = nullptr, *m_totCost = nullptr, *m_totRepCost = nullptr;
    QPushButton *m_updateExit = nullptr, *m_update = nullptr, *m_clear = nullptr,
                *m_cancel = nullptr, *m_prev = nullptr, *m_next = nullptr;
    QAction *m_menuNew = nullptr, *m_menuCopyRecord = nullptr, *m_menuClear = nullptr,
            *m_menuUpdate = nullptr, *m_menuUpdateExit = nullptr, *m_menuCut = nullptr,
            *m_menuCopy = nullptr, *m_menuPaste = nullptr, *m_menuDelete = nullptr;
};
