#include "app/batch_prompter.h"

Prompter::Button BatchPrompter::message(const QString &title, const QString &text, Buttons,
                                        Button defaultButton, Icon) {
    ++m_messages;
    m_err << title << ": " << text << Qt::endl;
    return defaultButton;
}
