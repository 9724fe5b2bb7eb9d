#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <vector>

// Edit masks in the program's own notation, "MASK;SAVE;BLANK", as the record editor's date
// boxes ("!99/99/9999;1;_") and the search window's criterion cells ("\> ccccccccc;1",
// "= 99/99/0000;1") write them:
//
//   0 digit        9 digit or blank   # digit, sign or blank
//   L letter       l letter or blank  A letter or digit   a letter, digit or blank
//   C any          c any or blank
//   /  the date separator in force    :  the time separator   _  a blank that is always there
//   \x the character x itself          > upper-case what follows   < lower-case   <> neither
//   !  blanks stand before what is typed rather than after it (leading blanks)
//   anything else stands for itself.
//
// SAVE "0" leaves the literal characters out of the box's text; "1" (also when missing)
// keeps them. BLANK is the character shown where nothing is typed ("_" when missing).
//
// The text of a box (what the program reads and stores) has a blank where nothing is typed,
// so an empty date box reads "  /  /    ": its trimmed form "/  /" is the empty date. The
// display (what a QLineEdit shows) has the BLANK character there instead.
class InputMask {
public:
    enum class Kind { Literal, Digit, DigitOrSign, Letter, LetterOrDigit, Any };
    enum class Case { AsTyped, Upper, Lower };

    struct Position {
        Kind kind = Kind::Literal;
        bool required = false;
        QChar literal; // Literal only; for the separators the one in force at parse time
        bool dateSeparator = false;
        bool timeSeparator = false;
        Case caseMode = Case::AsTyped;
    };

    InputMask() = default;
    // `dateSeparator` and `timeSeparator` stand in for "/" and ":".
    [[nodiscard]] static InputMask parse(QStringView notation, QChar dateSeparator,
                                         QChar timeSeparator = QLatin1Char(':'));
    // With the process-wide date separator.
    [[nodiscard]] static InputMask parse(QStringView notation);

    [[nodiscard]] bool isEmpty() const { return m_positions.empty(); }
    [[nodiscard]] const std::vector<Position> &positions() const { return m_positions; }
    [[nodiscard]] int length() const { return static_cast<int>(m_positions.size()); }
    [[nodiscard]] bool saveLiterals() const { return m_saveLiterals; }
    [[nodiscard]] bool leadingBlanks() const { return m_leadingBlanks; }
    [[nodiscard]] QChar blank() const { return m_blank; }

    // The same mask in Qt's input-mask notation, for QLineEdit::setInputMask.
    [[nodiscard]] QString toQtInputMask() const;

    // The text of a box showing `display` (one character a position; a shorter display is
    // taken as blank at the end).
    [[nodiscard]] QString textFromDisplay(QStringView display) const;
    // What a box shows for a text. A text of the mask's full form is placed position by
    // position; a shorter one (a date "7/5/96" put into "!99/99/9999") is placed group by
    // group between the literals, each group right-aligned under "!" and left-aligned
    // otherwise, and cut to its group's positions. Characters a position does not take
    // become blanks; case rules are applied.
    [[nodiscard]] QString displayFromText(QStringView text) const;
    // The text of an empty box.
    [[nodiscard]] QString blankText() const;
    // True when nothing is typed: the text holds only the literals and blanks.
    [[nodiscard]] bool isBlank(QStringView text) const;
    // True when every required position of the text holds a character it takes.
    [[nodiscard]] bool isComplete(QStringView text) const;

    // Whether position `at` takes the character.
    [[nodiscard]] bool accepts(int at, QChar c) const;

private:
    [[nodiscard]] QChar applyCase(int at, QChar c) const;
    [[nodiscard]] QString displayFromGroups(QStringView text) const;

    std::vector<Position> m_positions;
    bool m_saveLiterals = true;
    bool m_leadingBlanks = false;
    QChar m_blank = QLatin1Char('_');
};

// The editor's date mask: two digits, separator, two digits, separator, four digits.
inline constexpr char16_t kDateEditMask[] = u"!99/99/9999;1;_";
