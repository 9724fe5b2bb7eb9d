#pragma once

#include "core/color_set.h"
#include "search/search_replace.h"
#include "ui/form_scaling.h"

#include <QDialog>
#include <QElapsedTimer>

class MainHooks;
class MaskedEdit;
class MyTable;
class Prompter;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
struct Settings;

// Global search and replace of one field over the whole inventory file. Made for one use
// from the main window's "&Search and Replace"; the work is replace::Run, the dialog collects
// the request and shows the three counters as they change.
class TSearchAndReplace : public QDialog, private replace::SweepObserver {
    Q_OBJECT
public:
    TSearchAndReplace(MyTable &table, MainHooks &hooks, Settings &settings, Prompter &prompter,
                      FormLook look, QWidget *parent = nullptr);

    void FieldBoxChange(int index);
    void StartButtonClick();
    void CancelButtonClick();

    [[nodiscard]] const replace::Counters &counters() const { return m_counters; }
    [[nodiscard]] int fieldNumber() const { return m_fieldNumber; }
    // Where a counter is drawn on the dialog (0 processed, 1 found, 2 changed).
    [[nodiscard]] QPoint counterPosition(int which) const;
    [[nodiscard]] std::optional<replace::Outcome> lastOutcome() const { return m_outcome; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void progress(const replace::Counters &counters) override;
    bool confirm(const QString &question) override;
    void showCounters();

    MyTable &m_table;
    MainHooks &m_hooks;
    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;
    int m_fieldNumber = 0;
    replace::Counters m_counters;
    std::optional<replace::Outcome> m_outcome;
    QElapsedTimer m_sinceShown;

    QComboBox *m_fieldBox = nullptr;
    MaskedEdit *m_searchText = nullptr;
    MaskedEdit *m_replaceText = nullptr;
    QCheckBox *m_confirmBox = nullptr;
    QPushButton *m_startButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QFrame *m_counterFrame = nullptr;
};
