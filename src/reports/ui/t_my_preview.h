#pragma once

#include "reports/report_engines.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <map>
#include <memory>

class Prompter;
class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QToolButton;
class TFilePreview;
struct Settings;

// The preview of a report recorded for the screen: a toolbar, the page viewer and a menu.
// Pages are printed from the same recording, through the print dialog (a printer or a PDF
// file), so the printer gets exactly the pages shown. The window's bounds are kept in the
// settings from one preview to the next.
class TMyPreview : public QDialog {
    Q_OBJECT
public:
    // `look` is for the page range dialog; the preview itself takes its bounds from the
    // settings.
    TMyPreview(const reports::RecordedPages &pages, Settings &settings, Prompter &prompter,
               FormLook look, const QString &caption, QWidget *parent = nullptr);
    ~TMyPreview() override;

    [[nodiscard]] TFilePreview *viewer() const { return m_viewer; }
    [[nodiscard]] reports::TFilePrinter &pagePrinter() { return m_printer; }

    // The commands of the toolbar and the menu.
    void ZoomIn();
    void ZoomOut();
    void ZoomPageWidth();
    void ZoomPage();
    void SetZoom(double zoom);
    void FirstPage();
    void PrevPage();
    void NextPage();
    void LastPage();
    void PrintPage();
    void PrintReport();
    void PrintRange();
    void PrinterSetup();
    void UseColor();
    void Done();

    // The boxes after being left or Enter.
    void ZoomEditExit();
    void PageEditExit();

    // The menu entry of a command, by its object name ("MenuZoomIn1", "MenuPrintRange").
    [[nodiscard]] QAction *menuAction(const QString &name) const;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void buildToolbar();
    void buildMenu(QMenuBar *bar);
    void FormActivate();
    void pageChanged(int page);
    void zoomChanged(double zoom);
    // Prints pages first..last, unless the page printer is still busy with a job.
    void printPages(int first, int last);

    const reports::RecordedPages &m_pages;
    Settings &m_settings;
    Prompter &m_prompter;
    FormLook m_look;
    reports::TFilePrinter m_printer;
    bool m_started = false;

    TFilePreview *m_viewer = nullptr;
    QLineEdit *m_zoomEdit = nullptr;
    QLineEdit *m_pageEdit = nullptr;
    QLabel *m_pageLabel = nullptr;
    std::map<QString, QAction *> m_menu;
};
