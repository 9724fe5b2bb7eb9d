#pragma once

#include "app/ui/help_window.h"
#include "core/prompter.h"

#include <QPointer>
#include <QPrinter>
#include <QString>
#include <QWidget>

// The prompter of the running program: Qt's message boxes and common dialogs, the
// platform's beep, and the program's own help window.
class QtPrompter : public Prompter {
public:
    // `parent` owns the dialogs; `helpFile` is the help file to show (empty: the copy built
    // into the program).
    explicit QtPrompter(QWidget *parent = nullptr, QString helpFile = {});
    ~QtPrompter() override;
    QtPrompter(const QtPrompter &) = delete;
    QtPrompter &operator=(const QtPrompter &) = delete;

    void setParent(QWidget *parent) { m_parent = parent; }

    Button message(const QString &title, const QString &text, Buttons buttons, Button defaultButton,
                   Icon icon) override;
    void beep(Icon kind) override;
    std::optional<QString> openFileName(const QString &caption, const QString &dir,
                                        const QString &filter) override;
    std::optional<QString> saveFileName(const QString &caption, const QString &dir,
                                        const QString &filter) override;
    std::optional<QString> directoryName(const QString &caption, const QString &dir) override;
    std::optional<FontSpec> chooseFont(const FontSpec &initial) override;
    std::optional<std::uint32_t> chooseColor(std::uint32_t initial) override;
    bool printerSetup() override;
    QPrinter *printer() override { return &m_printer; }
    bool printDialog() override;
    void showHelp(const QString &keyword) override;

    // The help window, once help has been asked for (and until the dialog it was opened
    // from is freed).
    [[nodiscard]] THelpWindow *helpWindow() const { return m_help; }

private:
    // The window the next box or dialog belongs to.
    [[nodiscard]] QWidget *owner() const;

    QPointer<QWidget> m_parent;
    QString m_helpFile;
    // High resolution, so that report pages are placed to the printer's own dots.
    QPrinter m_printer{QPrinter::HighResolution};
    QPointer<THelpWindow> m_help;
};
