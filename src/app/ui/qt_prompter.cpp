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

QWidget *QtPrompter::owner() const {
    // A box raised from a dialog belongs to the dialog: centred on it and above it.
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return m_parent;
}

Prompter::Button QtPrompter::message(const QString &title, const QString &text, Buttons buttons,
                                     Button defaultButton, Icon icon) {
    if (buttons == NoButton)
        buttons = Ok;
    QMessageBox box(toQtIcon(icon), title, text, QMessageBox::NoButton, owner());
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
    return chosen(QFileDialog::getOpenFileName(owner(), caption, dir, QtFileFilter(filter)));
}

std::optional<QString> QtPrompter::saveFileName(const QString &caption, const QString &dir,
                                                const QString &filter) {
    return chosen(QFileDialog::getSaveFileName(owner(), caption, dir, QtFileFilter(filter)));
}

std::optional<QString> QtPrompter::directoryName(const QString &caption, const QString &dir) {
    return chosen(QFileDialog::getExistingDirectory(owner(), caption, dir));
}

std::optional<FontSpec> QtPrompter::chooseFont(const FontSpec &initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, ToQFont(initial), owner());
    if (!ok)
        return std::nullopt;
    return FromQFont(font, initial.color);
}

std::optional<std::uint32_t> QtPrompter::chooseColor(std::uint32_t initial) {
    const QColor color = QColorDialog::getColor(ToQColor(initial), owner());
    if (!color.isValid())
        return std::nullopt;
    return FromQColor(color);
}

bool QtPrompter::printerSetup() {
    QPrintDialog dialog(&m_printer, owner());
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    // Qt's dialog is made for printing; here it only chooses the printer and its options.
    for (auto *box : dialog.findChildren<QDialogButtonBox *>())
        if (QPushButton *ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompter::printDialog() {
    QPrintDialog dialog(&m_printer, owner());
    dialog.setWindowTitle(QStringLiteral("Print"));
    // The command chose the pages already (a page, the report, a range); the dialog chooses
    // where they go: a printer, or a PDF file through "Print to File".
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

void QtPrompter::showHelp(const QString &keyword) {
    // Help asked for from a modal dialog must not be blocked by it: the help window becomes
    // a window of that dialog (kept above it, and taking input while it is open). From the
    // main window it is a window of its own.
    QWidget *const modal = QApplication::activeModalWidget();
    if (!m_help) {
        m_help = new THelpWindow(m_helpFile, modal);
        m_help->setAttribute(Qt::WA_DeleteOnClose, false);
        // An open help window does not keep the program running once the main window closes.
        m_help->setAttribute(Qt::WA_QuitOnClose, false);
    } else if (m_help->parentWidget() != modal) {
        m_help->setParent(modal, m_help->windowFlags());
    }
    m_help->showKeyword(keyword);
}
