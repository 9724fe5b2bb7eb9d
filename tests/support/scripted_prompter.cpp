#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

template <typename T> static std::optional<T> takeFront(std::deque<std::optional<T>> &queue) {
    std::optional<T> value;
    if (!queue.empty()) {
        value.swap(queue.front());
        queue.pop_front();
    }
    return value;
}

ScriptedPrompter::~ScriptedPrompter() {
    const auto unused = answers.size() + fileNames.size() + fonts.size() + colors.size() +
                        printerAnswers.size() + printDialogAnswers.size();
    if (unused == 0)
        return;
    QStringList asks;
    for (const Asked &a : asked)
        asks << QStringLiteral("[%1] %2").arg(a.title, a.text);
    ADD_FAILURE() << "answers left unused: " << answers.size() << " message, " << fileNames.size()
                  << " file, " << fonts.size() << " font, " << colors.size() << " colour, "
                  << printerAnswers.size() << " printer, " << printDialogAnswers.size()
                  << " print dialog; asked: " << asks.join(QStringLiteral(" | ")).toStdString();
}

Prompter::Button ScriptedPrompter::message(const QString &title, const QString &text,
                                           Buttons buttons, Button defaultButton, Icon icon) {
    asked.push_back({title, text, buttons, defaultButton, icon});
    if (answers.empty())
        return defaultButton;
    const Button answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedPrompter::nextFileName(const QString &caption) {
    dialogCaptions << caption;
    return takeFront(fileNames);
}

std::optional<QString> ScriptedPrompter::openFileName(const QString &caption, const QString &,
                                                      const QString &) {
    return nextFileName(caption);
}

std::optional<QString> ScriptedPrompter::saveFileName(const QString &caption, const QString &,
                                                      const QString &) {
    return nextFileName(caption);
}

std::optional<QString> ScriptedPrompter::directoryName(const QString &caption, const QString &) {
    return nextFileName(caption);
}

std::optional<FontSpec> ScriptedPrompter::chooseFont(const FontSpec &) {
    return takeFront(fonts);
}

std::optional<std::uint32_t> ScriptedPrompter::chooseColor(std::uint32_t) {
    return takeFront(colors);
}

bool ScriptedPrompter::printerSetup() {
    if (printerAnswers.empty())
        return false;
    const bool answer = printerAnswers.front();
    printerAnswers.pop_front();
    return answer;
}

bool ScriptedPrompter::printDialog() {
    ++printDialogs;
    if (printDialogAnswers.empty() || !testPrinter)
        return false;
    const auto answer = std::move(printDialogAnswers.front());
    printDialogAnswers.pop_front();
    return answer(*testPrinter);
}
