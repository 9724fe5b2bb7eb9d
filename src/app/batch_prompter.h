#pragma once

#include "core/prompter.h"

#include <QTextStream>

// The prompter of the batch tool: there is no one to ask, so every message is written to
// the error stream as "Title: text" and answered with its default button; dialogs are
// cancelled.
class BatchPrompter : public Prompter {
public:
    explicit BatchPrompter(QTextStream &err) : m_err(err) {}

    Button message(const QString &title, const QString &text, Buttons buttons, Button defaultButton,
                   Icon icon) override;
    void beep(Icon) override {}
    std::optional<QString> openFileName(const QString &, const QString &,
                                        const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> saveFileName(const QString &, const QString &,
                                        const QString &) override {
        return std::nullopt;
    }
    std::optional<QString> directoryName(const QString &, const QString &) override {
        return std::nullopt;
    }
    std::optional<FontSpec> chooseFont(const FontSpec &) override { return std::nullopt; }
    std::optional<std::uint32_t> chooseColor(std::uint32_t) override { return std::nullopt; }
    bool printerSetup() override { return false; }
    void showHelp(const QString &) override {}

    // How many messages were written.
    [[nodiscard]] int messageCount() const { return m_messages; }

private:
    QTextStream &m_err;
    int m_messages = 0;
};
