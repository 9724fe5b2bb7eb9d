#pragma once

#include "interchange/export_fields.h"
#include "interchange/export_target.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <functional>
#include <optional>

class MainHooks;
class MyTable;
class Prompter;
class QCheckBox;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
struct Settings;

// The export window: which fields are written and in which order (the grid, Up, Down,
// Defaults), the whole file or the search result, text or dBASE, and the progress of a
// running export. Its choices go into the settings when it closes, whether or not an export
// was started; a finished export closes it, a refused or failed one leaves it open.
class TMyExport : public QDialog {
    Q_OBJECT
public:
    TMyExport(MyTable &table, Settings &settings, Prompter &prompter, MainHooks &hooks,
              bool searchInForce, FormLook look, QWidget *parent = nullptr);

    // The grid's rows as they stand.
    [[nodiscard]] exporting::Grid gridRows() const;

    void StartExportButtonClick();
    void UpButtonClick();
    void DownButtonClick();
    void DefaultsButtonClick();
    void HelpButtonClick();
    void ExportGridDblClick(int row, int column);

    // Told of every progress step of a running export, after the gauge (for tests).
    void setProgressWatcher(std::function<void(std::int64_t, std::int64_t)> watcher) {
        m_watcher = std::move(watcher);
    }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void FormClose();
    void fillGrid(const exporting::Grid &grid);
    void sizeGrid();
    void moveRow(bool up);
    void fileTypeChosen();
    void selectChoices();
    [[nodiscard]] std::optional<QString> chooseTarget(exporting::Format format);

    MyTable &m_table;
    Settings &m_settings;
    Prompter &m_prompter;
    MainHooks &m_hooks;
    bool m_searchInForce;
    FormLook m_look;
    bool m_shown = false;
    std::function<void(std::int64_t, std::int64_t)> m_watcher;

    QTableWidget *m_grid = nullptr;
    QCheckBox *m_firstRow = nullptr;
    QRadioButton *m_exportEntire = nullptr;
    QRadioButton *m_exportSearch = nullptr;
    QRadioButton *m_asciiFile = nullptr;
    QRadioButton *m_dbaseFile = nullptr;
    QProgressBar *m_gauge = nullptr;
};
