#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringView>

#include <functional>

// A masked edit box: a line edit with an input mask whose text is read and set in the
// program's own form (literals and blanks as the mask logic says), not in Qt's. The mask
// logic supplies the translation; this class only keeps the box and its text in step.
class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    struct Conversion {
        QString qtMask; // for QLineEdit::setInputMask
        std::function<QString(QStringView display)> textFromDisplay;
        std::function<QString(QStringView text)> displayFromText;
    };

    explicit MaskedEdit(QWidget *parent = nullptr);

    void setConversion(Conversion conversion);
    [[nodiscard]] bool hasConversion() const { return bool(m_conversion.textFromDisplay); }

    // The box's text in the program's form ("  /  /    " for an empty date box).
    [[nodiscard]] QString maskText() const;
    void setMaskText(QStringView text);
    // Nothing typed: only the literals show.
    void clearMaskText();

private:
    Conversion m_conversion;
};
