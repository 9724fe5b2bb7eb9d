#pragma once

#include "core/color_set.h"
#include "ui/form_scaling.h"
#include "views/locate.h"

#include <QDialog>
#include <QString>

#include <vector>

class MyTable;
class Prompter;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The locate dialog: match type, case, the field and the value; "Fi&rst" searches from the
// first record, "&Next" from the record after the current one. A match closes the dialog
// with the data set on the matching record; no match says so and keeps the dialog open.
// The locate component (TMyLocateDialog) fills it, shows it and reads it back.
class TMyLocateDlg : public QDialog {
    Q_OBJECT
public:
    // One entry of the field list: its title (as shown) and the field's name in the table.
    struct FieldChoice {
        QString title;
        QString name;
    };

    TMyLocateDlg(MyTable &table, Prompter &prompter, FormLook look, ColorSet colors,
                 QWidget *parent = nullptr);

    // Fills the field list (in the order given) without touching the search value.
    void setFieldChoices(std::vector<FieldChoice> choices);
    [[nodiscard]] const std::vector<FieldChoice> &fieldChoices() const { return m_choices; }
    // The table's name of the field whose title is the list's text; empty when none is.
    [[nodiscard]] QString selectedFieldName() const;
    // Selects the entry with this title (none when there is no such entry).
    void selectTitle(const QString &title);

    void setMatchType(TMyLocateMatchType type);
    [[nodiscard]] TMyLocateMatchType matchType() const;
    void setCaseSensitive(bool on);
    [[nodiscard]] bool caseSensitive() const;
    void setSearchValue(const QString &value);
    [[nodiscard]] QString searchValue() const;
    // Which of the two search buttons Enter presses.
    void setDefaultToNext(bool next);

    // True once FirstButton or NextButton found a match (and closed the dialog).
    [[nodiscard]] bool closedOnMatch() const { return m_closedOnMatch; }

    void FirstButtonClick();
    void NextButtonClick();

    // The search with the hourglass cursor shown while it runs.
    static bool FindValue(bool fromFirst, MyTable &table, const QString &fieldName,
                          bool caseSensitive, TMyLocateMatchType matchType, const QString &value,
                          Prompter &prompter);
    // "No matches found" and "No more matches found" are information boxes.
    static void ShowInformation(Prompter &prompter, const QString &text);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search(bool fromFirst);
    void FieldNameComboBoxChange();

    MyTable &m_table;
    Prompter &m_prompter;
    FormLook m_look;
    ColorSet m_colors;
    std::vector<FieldChoice> m_choices;
    bool m_shown = false;
    bool m_filling = false;
    bool m_defaultToNext = true;
    bool m_closedOnMatch = false;

    QGroupBox *m_searchTypeGroup = nullptr;
    QGroupBox *m_fieldGroup = nullptr;
    QGroupBox *m_valueGroup = nullptr;
    QCheckBox *m_caseSensitive = nullptr;
    QRadioButton *m_exactMatch = nullptr;
    QRadioButton *m_partialStart = nullptr;
    QRadioButton *m_partialAny = nullptr;
    QComboBox *m_fieldName = nullptr;
    QLineEdit *m_searchValue = nullptr;
    QPushButton *m_firstButton = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
