#include "edit/input_mask.h"

#include "settings/date_format.h"

namespace {

// Characters Qt's input masks give a meaning; a literal one is written escaped.
constexpr QStringView kQtMeta = u"AaNnXx90Dd#HhBb><!;\\[]{}";

QString QtCode(const InputMask::Position &p) {
    using Kind = InputMask::Kind;
    switch (p.kind) {
    case Kind::Digit:
        return p.required ? QStringLiteral("9") : QStringLiteral("0");
    case Kind::DigitOrSign:
        return QStringLiteral("#");
    case Kind::Letter:
        return p.required ? QStringLiteral("A") : QStringLiteral("a");
    case Kind::LetterOrDigit:
        return p.required ? QStringLiteral("N") : QStringLiteral("n");
    case Kind::Any:
        return p.required ? QStringLiteral("X") : QStringLiteral("x");
    case Kind::Literal:
        break;
    }
    if (kQtMeta.contains(p.literal))
        return QStringLiteral("\\") + p.literal;
    return QString(p.literal);
}

} // namespace

InputMask InputMask::parse(QStringView notation) {
    return parse(notation, CurrentDateSeparator());
}

InputMask InputMask::parse(QStringView notation, QChar dateSeparator, QChar timeSeparator) {
    InputMask mask;
    // The field separators are the unescaped semicolons; the last two fields (or the last
    // one) are the save flag and the blank character.
    std::vector<qsizetype> semicolons;
    for (qsizetype i = 0; i < notation.size(); ++i) {
        if (notation[i] == u'\\')
            ++i;
        else if (notation[i] == u';')
            semicolons.push_back(i);
    }
    QStringView body = notation;
    if (semicolons.size() >= 2) {
        const qsizetype save = semicolons[semicolons.size() - 2];
        const qsizetype blank = semicolons.back();
        body = notation.left(save);
        mask.m_saveLiterals = notation.mid(save + 1, blank - save - 1).trimmed() != u"0";
        if (blank + 1 < notation.size())
            mask.m_blank = notation[blank + 1];
    } else if (semicolons.size() == 1) {
        body = notation.left(semicolons[0]);
        mask.m_saveLiterals = notation.mid(semicolons[0] + 1).trimmed() != u"0";
    }

    Case caseMode = Case::AsTyped;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        Position p;
        switch (c.unicode()) {
        case u'!':
            mask.m_leadingBlanks = true;
            continue;
        case u'>':
            caseMode = Case::Upper;
            continue;
        case u'<':
            if (i + 1 < body.size() && body[i + 1] == u'>') {
                ++i;
                caseMode = Case::AsTyped;
            } else {
                caseMode = Case::Lower;
            }
            continue;
        case u'\\':
            if (i + 1 >= body.size())
                continue;
            p.literal = body[++i];
            break;
        case u'0':
        case u'9':
            p.kind = Kind::Digit;
            p.required = c == u'0';
            break;
        case u'#':
            p.kind = Kind::DigitOrSign;
            break;
        case u'L':
        case u'l':
            p.kind = Kind::Letter;
            p.required = c == u'L';
            break;
        case u'A':
        case u'a':
            p.kind = Kind::LetterOrDigit;
            p.required = c == u'A';
            break;
        case u'C':
        case u'c':
            p.kind = Kind::Any;
            p.required = c == u'C';
            break;
        case u'/':
            p.literal = dateSeparator;
            p.dateSeparator = true;
            break;
        case u':':
            p.literal = timeSeparator;
            p.timeSeparator = true;
            break;
        case u'_':
            p.literal = QLatin1Char(' ');
            break;
        default:
            p.literal = c;
            break;
        }
        p.caseMode = caseMode;
        mask.m_positions.push_back(p);
    }
    return mask;
}

QString InputMask::toQtInputMask() const {
    if (m_positions.empty())
        return {};
    QString out;
    Case caseMode = Case::AsTyped;
    for (const Position &p : m_positions) {
        if (p.kind != Kind::Literal && p.caseMode != caseMode) {
            caseMode = p.caseMode;
            out += caseMode == Case::Upper   ? QStringLiteral(">")
                   : caseMode == Case::Lower ? QStringLiteral("<")
                                             : QStringLiteral("!");
        }
        out += QtCode(p);
    }
    out += QStringLiteral(";") + m_blank;
    return out;
}

bool InputMask::accepts(int at, QChar c) const {
    if (at < 0 || at >= length())
        return false;
    const Position &p = m_positions[static_cast<std::size_t>(at)];
    switch (p.kind) {
    case Kind::Literal:
        return c == p.literal;
    case Kind::Digit:
        return c >= u'0' && c <= u'9';
    case Kind::DigitOrSign:
        return (c >= u'0' && c <= u'9') || c == u'+' || c == u'-';
    case Kind::Letter:
        return c.isLetter();
    case Kind::LetterOrDigit:
        return c.isLetterOrNumber();
    case Kind::Any:
        return c.isPrint() || c == u' ';
    }
    return false;
}

QChar InputMask::applyCase(int at, QChar c) const {
    switch (m_positions[static_cast<std::size_t>(at)].caseMode) {
    case Case::Upper:
        return c.toUpper();
    case Case::Lower:
        return c.toLower();
    case Case::AsTyped:
        break;
    }
    return c;
}

QString InputMask::textFromDisplay(QStringView display) const {
    QString out;
    out.reserve(length());
    for (int i = 0; i < length(); ++i) {
        const Position &p = m_positions[static_cast<std::size_t>(i)];
        if (p.kind == Kind::Literal) {
            if (m_saveLiterals)
                out += p.literal;
            continue;
        }
        const QChar c = i < display.size() ? display[i] : m_blank;
        out += c == m_blank ? QChar(u' ') : c;
    }
    return out;
}

QString InputMask::blankText() const {
    return textFromDisplay(QStringView());
}

QString InputMask::displayFromText(QStringView text) const {
    QString out(length(), m_blank);
    auto place = [&](int at, QChar c) {
        if (c != u' ' && accepts(at, c))
            out[at] = applyCase(at, c);
    };
    bool fullForm = false;
    if (m_saveLiterals && text.size() == length()) {
        fullForm = true;
        for (int i = 0; i < length() && fullForm; ++i) {
            const Position &p = m_positions[static_cast<std::size_t>(i)];
            fullForm = p.kind != Kind::Literal || text[i] == p.literal;
        }
    }
    if (fullForm || !m_saveLiterals) {
        qsizetype from = 0;
        for (int i = 0; i < length(); ++i) {
            const Position &p = m_positions[static_cast<std::size_t>(i)];
            if (p.kind == Kind::Literal)
                out[i] = p.literal;
            if (p.kind == Kind::Literal && !fullForm)
                continue;
            if (from < text.size()) {
                if (p.kind != Kind::Literal)
                    place(i, text[from]);
                ++from;
            }
        }
        return out;
    }
    return displayFromGroups(text);
}

QString InputMask::displayFromGroups(QStringView text) const {
    QString out(length(), m_blank);
    qsizetype from = 0;
    int i = 0;
    while (i < length()) {
        if (m_positions[static_cast<std::size_t>(i)].kind == Kind::Literal) {
            // A run of literals: shown as they are, and passed over in the text where the
            // text has them.
            while (i < length() && m_positions[static_cast<std::size_t>(i)].kind == Kind::Literal) {
                const QChar lit = m_positions[static_cast<std::size_t>(i)].literal;
                out[i] = lit;
                if (from < text.size() && text[from] == lit)
                    ++from;
                ++i;
            }
            continue;
        }
        const int start = i;
        while (i < length() && m_positions[static_cast<std::size_t>(i)].kind != Kind::Literal)
            ++i;
        const int slots = i - start;
        // The group's text runs to the literal that follows the group in the mask.
        qsizetype end = text.size();
        if (i < length()) {
            const qsizetype at =
                text.indexOf(m_positions[static_cast<std::size_t>(i)].literal, from);
            if (at >= 0)
                end = at;
        }
        QStringView group = text.mid(from, end - from).trimmed();
        from = end;
        group = group.left(slots);
        const int offset = m_leadingBlanks ? slots - static_cast<int>(group.size()) : 0;
        for (qsizetype k = 0; k < group.size(); ++k) {
            const int at = start + offset + static_cast<int>(k);
            if (group[k] != u' ' && accepts(at, group[k]))
                out[at] = applyCase(at, group[k]);
        }
    }
    return out;
}

bool InputMask::isBlank(QStringView text) const {
    for (QChar c : text) {
        if (c == u' ' || c == m_blank)
            continue;
        bool literal = false;
        for (const Position &p : m_positions)
            literal = literal || (p.kind == Kind::Literal && p.literal == c);
        if (!literal)
            return false;
    }
    return true;
}

bool InputMask::isComplete(QStringView text) const {
    const QString display = displayFromText(text);
    for (int i = 0; i < length(); ++i) {
        const Position &p = m_positions[static_cast<std::size_t>(i)];
        if (p.kind != Kind::Literal && p.required && display[i] == m_blank)
            return false;
    }
    return true;
}
