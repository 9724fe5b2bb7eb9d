#pragma once

#include <QDialog>
#include <QSize>

class QLabel;

// The about box: the program's name and version.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(double factor, QSize screen = {}, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    double m_factor;
    QSize m_screen;
    bool m_shown = false;
    QLabel *m_productName = nullptr;
    QLabel *m_version = nullptr;
};
