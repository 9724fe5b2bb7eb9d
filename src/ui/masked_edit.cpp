#include "ui/masked_edit.h"

MaskedEdit::MaskedEdit(QWidget *parent) : QLineEdit(parent) {}

void MaskedEdit::setConversion(Conversion conversion) {
    m_conversion = std::move(conversion);
    setInputMask(m_conversion.qtMask);
    clearMaskText();
}

QString MaskedEdit::maskText() const {
    if (!hasConversion())
        return text();
    return m_conversion.textFromDisplay(displayText());
}

void MaskedEdit::setMaskText(QStringView text) {
    if (!hasConversion()) {
        setText(text.toString());
        return;
    }
    // Qt places a text given with the mask's blank characters position by position.
    setText(m_conversion.displayFromText(text));
    setCursorPosition(0);
}

void MaskedEdit::clearMaskText() {
    if (!hasConversion()) {
        clear();
        return;
    }
    setMaskText(QStringView());
}
