#pragma once

#include "ui/form_scaling.h"
#include "views/viewer_options.h"

#include <QDialog>

#include <array>

class Prompter;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
struct Settings;

// The viewer configuration dialog: the title row, grid lines and cell look of the main
// window's record grid, and per field whether it is shown, its width, its column order and
// its display name. The first two pages change the settings at once; the four field pages
// reach them when the dialog closes. The caller applies the settings to the viewer after.
class TViewConfig : public QDialog {
    Q_OBJECT
public:
    TViewConfig(Settings &settings, Prompter &prompter, FormLook look, QWidget *parent = nullptr);

    // The closing check: refuses (and shows the names page) while two fields share a name.
    [[nodiscard]] bool FormCloseQuery();
    // The closing steps: the four field pages into the settings.
    void FormClose();

    // Every way of closing (Exit, Escape, the window's close box) runs the check and then
    // the closing steps; there is nothing to cancel.
    void done(int result) override;

    void FieldsToDisplayDblClick(int row, int column);
    void OrderUpClick();
    void OrderDownClick();
    void OrderDefaultsClick();
    void HelpButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildTitlePage();
    QWidget *buildLookPage();
    QWidget *buildShowPage();
    QWidget *buildWidthsPage();
    QWidget *buildOrderPage();
    QWidget *buildNamesPage();
    QLabel *heading(QWidget *page, const char *name, const QString &text, QRect bounds);
    QCheckBox *checkBox(QWidget *page, const char *name, const QString &text, QRect bounds,
                        bool &setting);
    QPushButton *button(QWidget *page, const char *name, const QString &text, QRect bounds);

    void FormShow();
    void fillPages();
    void sizeGrids();
    void paintSwatches();
    void moveOrderRow(bool up);
    void chooseTitleColor();
    void chooseCellColor();
    void chooseTitleFont();
    void chooseGridFont();
    [[nodiscard]] viewcfg::FieldPages readPages() const;
    void writeWidths(const viewcfg::FieldTexts &widths);

    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    bool m_shown = false;
    bool m_closed = false;

    QTabWidget *m_tabs = nullptr;
    QFrame *m_titleShape = nullptr;
    QFrame *m_cellShape = nullptr;
    QLineEdit *m_titleFont = nullptr;
    QLineEdit *m_gridFont = nullptr;
    std::array<QRadioButton *, 3> m_alignment{}; // left, centre, right
    QTableWidget *m_showGrid = nullptr;
    QTableWidget *m_widthGrid = nullptr;
    QTableWidget *m_orderGrid = nullptr;
    QTableWidget *m_nameGrid = nullptr;
};
