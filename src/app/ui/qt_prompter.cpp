#include "app/ui/qt_prompter.h"

#include "app/file_filter.h"
#include "app/ui/help_window.h"
#include "ui/qt_convert.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

namespace {

QMessageBox::Icon toQtIcon(Prompter::Icon icon) {
    switch (icon) {
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Warning:
        return QMessageBox::Warning;
    case Prompter::Icon::Error:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    case Prompter::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toQtButton(Prompter::Button button) {
    switch (button) {
    case Prompter::Ok:
        return QMessageBox::Ok;
    case Prompter::Cancel:
        return QMessageBox::Cancel;
    case Prompter::Yes:
        return QMessageBox::Yes;
    case Prompter::No:
        return QMessageBox::No;
    case Prompter::NoButton:
        break;
    }
    return QMessageBox::NoButton;
}

Prompter::Button fromQtButton(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok:
        return Prompter::Ok;
    case QMessageBox::Cancel:
        return Prompter::Cancel;
    case QMessageBox::Yes:
        return Prompter::Yes;
    case QMessageBox::No:
        return Prompter::No;
    default:
        return Prompter::NoButton;
    }
}

std::optional<QString> chosen(const QString &name) {
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace

QtPrompter::QtPrompter(QWidget *parent, QString helpFile)
    : m_parent(parent), m_helpFile(std::move(helpFile)) {}

QtPrompter::~QtPrompter() {
    delete m_help;
}

Prompter::Button QtPrompter::message(const QString &title, const QString &text, Buttons buttons,
                                     Button defaultButton, Icon icon) {
    if (buttons == NoButton)
        buttons = Ok;
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::NoButton, m_parent);
    // Buttons in the order the program's boxes show them.
    for (const Button button : {Yes, No, Ok, Cancel}) {
        if (buttons & button)
            box.addButton(toQtButton(button));
    }
    if (defaultButton != NoButton && (buttons & defaultButton))
        box.setDefaultButton(toQtButton(defaultButton));
    // Closing the box otherwise counts as Cancel, or No when there is no Cancel.
    Button escape = Ok;
    if (buttons & Cancel)
        escape = Cancel;
    else if (buttons & No)
        escape = No;
    if (buttons & escape)
        box.setEscapeButton(toQtButton(escape));
    box.exec();
    const Button pressed = fromQtButton(box.standardButton(box.clickedButton()));
    if (pressed == NoButton)
        return (buttons & Cancel) ? Cancel : (buttons & No) ? No : Ok;
    return pressed;
}

void QtPrompter::beep(Icon) {
    QApplication::beep();
}

std::optional<QString> QtPrompter::openFileName(const QString &caption, const QString &dir,
                                                const QString &filter) {
    return chosen(QFileDialog::getOpenFileName(m_parent, caption, dir, QtFileFilter(filter)));
}

std::optional<QString> QtPrompter::saveFileName(const QString &caption, const QString &dir,
                                                const QString &filter) {
    return chosen(QFileDialog::getSaveFileName(m_parent, caption, dir, QtFileFilter(filter)));
}

std::optional<QString> QtPrompter::directoryName(const QString &caption, const QString &dir) {
    return chosen(QFileDialog::getExistingDirectory(m_parent, caption, dir));
}

std::optional<FontSpec> QtPrompter::chooseFont(const FontSpec &initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, ToQFont(initial), m_parent);
    if (!ok)
        return std::nullopt;
    return FromQFont(font, initial.color);
}

std::optional<std::uint32_t> QtPrompter::chooseColor(std::uint32_t initial) {
    const QColor color = QColorDialog::getColor(ToQColor(initial), m_parent);
    if (!color.isValid())
        return std::nullopt;
    return FromQColor(color);
}

bool QtPrompter::printerSetup() {
    QPrintDialog dialog(&m_printer, m_parent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    // Qt's dialog is made for printing; here it only chooses the printer and its options.
    for (auto *box : dialog.findChildren<QDialogButtonBox *>())
        if (QPushButton *ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompter::printDialog() {
    QPrintDialog dialog(&m_printer, m_parent);
    dialog.setWindowTitle(QStringLiteral("Print"));
    // The command chose the pages already (a page, the report, a range); the dialog chooses
    // where they go: a printer, or a PDF file through "Print to File".
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

void QtPrompter::showHelp(const QString &keyword) {
    if (!m_help) {
        m_help = new THelpWindow(m_helpFile);
        m_help->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_help->showKeyword(keyword);
}
