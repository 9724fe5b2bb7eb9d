#pragma once

#include "interchange/import_matching.h"
#include "interchange/import_run.h"
#include "ui/form_scaling.h"

#include <QDialog>
#include <QElapsedTimer>

#include <optional>

class MyTable;
class Prompter;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
struct Settings;

// The field-matching dialog of an import: the program's 22 fields opposite the import
// file's fields, which Up and Down move and a double click on USE switches on and off.
// Start Import runs the import (importing::ImportText / ImportDbf) and shows the running
// count; after "Import Complete." the dialog closes.
class TMyImport : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Text, Dbf };

    TMyImport(MyTable &table, Settings &settings, Prompter &prompter, FormLook look, Kind kind,
              QString path, const QStringList &importNames, QWidget *parent = nullptr);

    void UpButtonClick();
    void DownButtonClick();
    void StartButtonClick();
    void HelpButtonClick();
    // A double click on a cell of the grid (0-based row and column).
    void ImportGridDblClick(int row, int column);

    [[nodiscard]] const importing::Matching &matching() const { return m_matching; }
    // The count drawn last, and where it is drawn.
    [[nodiscard]] qint64 shownCount() const { return m_count; }
    [[nodiscard]] QPoint countPosition() const;
    [[nodiscard]] std::optional<importing::ImportOutcome> outcome() const { return m_outcome; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void fillGrid();
    void showCount(qint64 count);
    void progress(qint64 count);
    void moveSelection(int row);

    MyTable &m_table;
    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    Kind m_kind;
    QString m_path;
    importing::Matching m_matching;
    bool m_shown = false;
    qint64 m_count = 0;
    std::optional<importing::ImportOutcome> m_outcome;
    QElapsedTimer m_sinceDrawn;

    QTableWidget *m_grid = nullptr;
    QPushButton *m_upButton = nullptr;
    QPushButton *m_downButton = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_helpButton = nullptr;
    QCheckBox *m_skipFirst = nullptr;
    QLabel *m_importLabel = nullptr;
    QLabel *m_countLabel = nullptr;
    QLabel *m_countText = nullptr;
};
