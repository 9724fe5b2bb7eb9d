#pragma once

#include "core/prompter.h"

#include <QString>
#include <QStringList>

#include <deque>
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
    void showHelp(const QString &keyword) override { helpKeywords << keyword; }

    // The last message asked, or an empty record when none was.
    Asked last() const { return asked.empty() ? Asked{} : asked.back(); }

private:
    std::optional<QString> nextFileName(const QString &caption);
};
