#pragma once

#include "edit/pick_lists.h"
#include "ui/form_scaling.h"

#include <QDialog>

class Prompter;
class QLineEdit;
class QListWidget;
class QPushButton;
struct ColorSet;

// The list editor (Edit "Brand" List, ...): the user adds, deletes and sorts the entries of
// one pick list. Ok puts the entries in place of both copies of the list; Cancel leaves it.
// Made for one use and shown modally.
class TMyEditBox : public QDialog {
    Q_OBJECT
public:
    TMyEditBox(picklists::PickLists &lists, picklists::List list, const QString &caption,
               int maxLength, Prompter &prompter, FormLook look, const ColorSet &colors,
               QWidget *parent = nullptr);

    [[nodiscard]] QStringList entries() const;

    void AddButtonClick();
    void DeleteButtonClick();
    void SortButtonClick();
    void OkButtonClick();
    void CancelButtonClick();

    // The whole use from the main window's list maintenance command.
    static void EditAList(picklists::PickLists &lists, picklists::List list, const QString &caption,
                          int maxLength, Prompter &prompter, const FormLook &look,
                          const ColorSet &colors, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    picklists::PickLists &m_lists;
    picklists::List m_list;
    Prompter &m_prompter;
    FormLook m_look;
    const ColorSet &m_colors;
    bool m_shown = false;

    QLineEdit *m_addInfo = nullptr;
    QListWidget *m_theList = nullptr;
    QPushButton *m_addButton = nullptr;
};
