#pragma once

#include "ui/form_scaling.h"

#include <QDialog>

class MyTable;
class Prompter;
class QFrame;
class QPushButton;
class QRadioButton;
struct Settings;

// The import format chooser: the kind of file (ASCII delimited text or dBASE), then the file
// itself through an open dialog. A file that passes its check opens the field-matching
// dialog (TMyImport); when that closes, so does the chooser. The chosen kind is kept in the
// settings when the chooser closes.
class TImportFormat : public QDialog {
    Q_OBJECT
public:
    TImportFormat(MyTable &table, Settings &settings, Prompter &prompter, FormLook look,
                  QWidget *parent = nullptr);

    void FileButtonClick();
    void done(int result) override;

    // The whole use from the main window's command: create, show modally, free.
    static void Run(MyTable &table, Settings &settings, Prompter &prompter, const FormLook &look,
                    QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void DoAscii();
    void DoDBF();
    void runMatching(int kind, const QString &path, const QStringList &names);

    MyTable &m_table;
    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;

    QFrame *m_panel = nullptr;
    QRadioButton *m_ascii = nullptr;
    QRadioButton *m_dbf = nullptr;
    QPushButton *m_fileButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
