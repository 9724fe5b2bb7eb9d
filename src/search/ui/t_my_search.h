#pragma once

#include "edit/pick_lists.h"
#include "search/record_test.h"
#include "search/search_criteria.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <functional>

class MainHooks;
class MyTable;
class Prompter;
class QLineEdit;
class QPushButton;
class QTableWidget;
class RecordView;
class CriterionDelegate;
struct Settings;

// The search window: one grid row per field, criteria typed per row form one level, up to
// ten levels OR-ed with "&Find More". Created once at start-up and shown modally by the
// main window's search commands.
//
// The search in force in the main window is the one of the last successful "&Ok": its items
// are kept apart from the grid's, so showing the window again (which forgets the grid's
// items) or leaving it with "E&xit" leaves the main window's records as they are.
class TMySearch : public QDialog {
    Q_OBJECT
public:
    using LookProvider = std::function<FormLook()>;
    using PickListProvider = std::function<QStringList(picklists::List)>;

    TMySearch(MyTable &table, MainHooks &hooks, Settings &settings, Prompter &prompter,
              LookProvider look, PickListProvider pickLists, QWidget *parent = nullptr);
    ~TMySearch() override;

    // The record test of the search in force (the main window's filter asks it).
    [[nodiscard]] bool BuildFilter(const RecordView &record) const;

    [[nodiscard]] bool SaveFields();
    [[nodiscard]] bool Doit();
    void ClearSearch();

    void OkButtonClick();
    void MoreButtonClick();
    void ClearButtonClick();
    void ExitButtonClick();
    void HelpButtonClick();
    // The "..." cell of a row was clicked: the search options for that row.
    void openOptions(int row);

    // What the search options dialog changes.
    [[nodiscard]] search::SearchCriteria &criteria() { return m_criteria; }
    [[nodiscard]] QString criterionText(int row) const;
    void setCriterionText(int row, const QString &text);
    // Makes a row current in the criterion column, with its mask.
    void makeCurrent(int row);
    // Gives a row its comparison and its cell the matching mask at once, also when the row is
    // the current one.
    void setRowComparison(int row, int comparison);
    [[nodiscard]] QTableWidget *grid() const { return m_grid; }
    // The criterion cell's editor open now, if any.
    [[nodiscard]] QLineEdit *currentEditor() const;
    [[nodiscard]] const search::RecordTest &appliedTest() const { return m_applied; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void setLevelTitle();
    void emptyCriteria();
    void commitEditor();
    // Opens the current criterion cell's editor unless it is open.
    void showEditor();
    void fillButtonColumn();

    MyTable &m_table;
    MainHooks &m_hooks;
    Settings &m_settings;
    Prompter &m_prompter;
    LookProvider m_look;
    PickListProvider m_pickLists;
    DimensionRecord m_dimensions;

    search::SearchCriteria m_criteria;
    search::RecordTest m_applied;

    QTableWidget *m_grid = nullptr;
    CriterionDelegate *m_delegate = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_moreButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_helpButton = nullptr;
};
