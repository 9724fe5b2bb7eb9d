#pragma once

#include "reports/report_definition.h"
#include "reports/report_layout.h"
#include "ui/form_scaling.h"

#include <QDialog>

#include <functional>

class Prompter;
class QLabel;
class QPushButton;
struct Settings;

// "Specify Report Layout": the body lines and the totals line of the definition as rows of
// boxes drawn to scale against the characters per line; a click on a box opens the part
// dialog for it. Works on a copy of the definition, written back only by Ok.
class TRepLayout : public QDialog {
    Q_OBJECT
public:
    // `charsPerLine` and `totalsShown` are the definition editor's controls as they stand
    // (its characters-per-line buttons, its Use Totals box).
    TRepLayout(ReportDefinition &current, Settings &settings, Prompter &prompter, int charsPerLine,
               bool totalsShown, FormLook look, QWidget *parent = nullptr);

    [[nodiscard]] replayout::Position CalcPosition(int x, int y) const;
    [[nodiscard]] const ReportDefinition &workingCopy() const { return m_work; }
    [[nodiscard]] const replayout::Geometry &geometry() const { return m_geometry; }
    // Where a line's boxes are drawn (line 1..12 or replayout::kTotalsLine).
    [[nodiscard]] std::vector<replayout::Box> boxesOf(int line) const;
    [[nodiscard]] int bodyRows() const;

    // Opens the part dialog for a (line, part), as a click on its box does.
    void EditPart(int line, int part);
    void OkButtonClick();

    // Called with each part dialog before it is shown (tests drive it).
    std::function<void(QDialog *)> onWindow;

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void FormShow();
    void BuildLayout(QPainter &painter);
    void drawRow(QPainter &painter, const ReportLine &line, int top, int bottom, bool totals);
    [[nodiscard]] const ReportLine &lineOf(int line) const;

    ReportDefinition &m_current;
    ReportDefinition m_work;
    Settings &m_settings;
    Prompter &m_prompter;
    int m_chars;
    bool m_totalsShown;
    FormLook m_look;
    replayout::Geometry m_geometry;
    bool m_shown = false;
    replayout::Position m_pressed;

    QLabel *m_reportName = nullptr;
    QLabel *m_bodyLabel = nullptr;
    QLabel *m_totalsLabel = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
