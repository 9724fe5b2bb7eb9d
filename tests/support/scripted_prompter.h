#pragma once

#include "core/prompter.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// A prompter for tests: answers come from queues, every request is recorded.
// An unanswered message returns its default button; an unanswered dialog is cancelled.
// An answer still queued when the prompter goes fails the test: the question it was meant
// for was never asked.
class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter() = default;
    ScriptedPrompter(const ScriptedPrompter &) = delete;
    ScriptedPrompter &operator=(const ScriptedPrompter &) = delete;
    ~ScriptedPrompter() override;

    struct Asked {
        QString title;
        QString text;
        Buttons buttons = NoButton;
        Button defaultButton = NoButton;
        Icon icon = Icon::None;
    };

    std::deque<Button> answers;
    std::deque<std::optional<QString>> fileNames;
    std::deque<std::optional<FontSpec>> fonts;
    std::deque<std::optional<std::uint32_t>> colors;
    std::deque<bool> printerAnswers;
    // What printer() gives (none unless a test sets one), and the answers of the print
    // dialog: each configures that printer as the user would (a PDF file, a queue) and says
    // whether to print. An unanswered print dialog is cancelled.
    QPrinter *testPrinter = nullptr;
    std::deque<std::function<bool(QPrinter &)>> printDialogAnswers;
    int printDialogs = 0;

    std::vector<Asked> asked;
    std::vector<Icon> beeps;
    QStringList helpKeywords;
    QStringList dialogCaptions;

    Button message(const QString &title, const QString &text, Buttons buttons, Button defaultButton,
                   Icon icon) override;
    void beep(Icon kind) override { beeps.push_back(kind); }
    std::optional<QString> openFileName(const QString &caption, const QString &,
                                        const QString &) override;
    std::optional<QString> saveFileName(const QString &caption, const QString &,
                                        const QString &) override;
    std::optional<QString> directoryName(const QString &caption, const QString &) override;
    std::optional<FontSpec> chooseFont(const FontSpec &) override;
    std::optional<std::uint32_t> chooseColor(std::uint32_t) override;
    bool printerSetup() override;
    QPrinter *printer() override { return testPrinter; }
    bool printDialog() override;
    void showHelp(const QString &keyword) override { helpKeywords << keyword; }

    // The last message asked, or an empty record when none was.
    Asked last() const { return asked.empty() ? Asked{} : asked.back(); }

private:
    std::optional<QString> nextFileName(const QString &caption);
};
