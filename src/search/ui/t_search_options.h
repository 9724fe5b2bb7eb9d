#pragma once

#include "core/color_set.h"
#include "ui/form_scaling.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class TMySearch;

// The search options of one grid row: for a number or date row the comparison (" = ", " > ",
// " < ", " > X < "), for a row with a value list a value to put into its criterion cell.
// Made for one use by the search window's "..." cell.
class TSearchOptions : public QDialog {
    Q_OBJECT
public:
    TSearchOptions(TMySearch &search, int row, const QString &fieldName, const QStringList &choices,
                   FormLook look, ColorSet colors, QWidget *parent = nullptr);

    void OkButtonClick();
    void CancelButtonClick();
    [[nodiscard]] QListWidget *list() const { return m_list; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    TMySearch &m_search;
    int m_row;
    bool m_comparisonChoice;
    FormLook m_look;
    ColorSet m_colors;
    bool m_shown = false;

    QLabel *m_fieldName = nullptr;
    QListWidget *m_list = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
