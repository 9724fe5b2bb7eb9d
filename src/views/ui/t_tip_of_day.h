#pragma once

#include <QDialog>
#include <QSize>

class QCheckBox;
class QLabel;

// The tip of the day: one of the tips, the next one on request, and the check box that
// decides whether tips are shown at start-up.
class TTipOfDay : public QDialog {
    Q_OBJECT
public:
    // `showTips` is the settings' show-tips flag: it sets the check box and takes the box's
    // state when the window closes, however it is closed.
    TTipOfDay(bool &showTips, double factor, QSize screen = {}, QWidget *parent = nullptr);

    [[nodiscard]] int currentTip() const { return m_tip; }
    // Shows tip `number` (1 to 24).
    void ShowTip(int number);
    void NextTipButtonClick();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool &m_showTips;
    double m_factor;
    QSize m_screen;
    bool m_shown = false;
    int m_tip = 1;
    QLabel *m_comment = nullptr;
    QCheckBox *m_showTipsBox = nullptr;
};
