#pragma once

#include "core/font_spec.h"

#include <QString>

#include <cstdint>
#include <optional>

class QPrinter;

// Every message box, beep and common dialog goes through this one seam, so that tests can
// answer questions from a script and check the exact texts that were asked.
class Prompter {
public:
    enum Button : int { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
    using Buttons = int;
    enum class Icon { None, Information, Warning, Error, Question };

    virtual ~Prompter() = default;

    // A modal message box; returns the button pressed (Cancel or No when closed otherwise).
    virtual Button message(const QString &title, const QString &text, Buttons buttons,
                           Button defaultButton, Icon icon) = 0;
    // The platform's beep for a box of the given icon kind.
    virtual void beep(Icon kind) = 0;

    // File dialogs return the chosen path, or nothing when cancelled.
    virtual std::optional<QString> openFileName(const QString &caption, const QString &dir,
                                                const QString &filter) = 0;
    virtual std::optional<QString> saveFileName(const QString &caption, const QString &dir,
                                                const QString &filter) = 0;
    virtual std::optional<QString> directoryName(const QString &caption, const QString &dir) = 0;

    virtual std::optional<FontSpec> chooseFont(const FontSpec &initial) = 0;
    // Colours in the stored form: red in the low byte, then green, then blue.
    virtual std::optional<std::uint32_t> chooseColor(std::uint32_t initial) = 0;
    // Printer set-up; true when the user confirmed.
    virtual bool printerSetup() = 0;
    // The printer the program prints on: printer set-up and the print dialog configure it,
    // and it keeps that configuration for the rest of the run. Nothing where this prompter
    // cannot print.
    virtual QPrinter *printer() { return nullptr; }
    // The print dialog over printer(): the user chooses a system printer or a PDF file,
    // copies and the like. True when the user chose to print.
    virtual bool printDialog() { return false; }

    // Opens the help file at a keyword; an empty keyword opens the contents.
    virtual void showHelp(const QString &keyword) = 0;

    // Shorthands for the boxes the program uses everywhere.
    void error(const QString &text) { message(QStringLiteral("Error"), text, Ok, Ok, Icon::Error); }
    bool confirm(const QString &text, Button defaultButton = Yes) {
        return message(QStringLiteral("Confirm"), text, Yes | No, defaultButton, Icon::Question) ==
               Yes;
    }
};
