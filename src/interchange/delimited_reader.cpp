#include "interchange/delimited_reader.h"

#include <algorithm>
#include <cstring>

namespace delimited {

namespace {

constexpr std::size_t kBlock = 1 << 20;

} // namespace

Reader::Reader(Source source) : m_source(std::move(source)), m_buffer(kBlock) {}

Reader::Reader(std::string_view bytes) : m_pos(bytes.data()), m_end(bytes.data() + bytes.size()) {}

bool Reader::fill() {
    if (!m_source)
        return false;
    const std::size_t got = m_source(m_buffer.data(), m_buffer.size());
    m_pos = m_buffer.data();
    m_end = m_pos + got;
    return got > 0;
}

bool Reader::isLineBreak(int c) {
    if (c == '\r') {
        if (m_breaks == Breaks::Unknown)
            m_breaks = Breaks::CarriageReturn;
        return true;
    }
    if (c == '\n') {
        if (m_breaks == Breaks::Unknown)
            m_breaks = Breaks::LineFeed;
        return m_breaks == Breaks::LineFeed;
    }
    return false;
}

bool Reader::lineEnded() {
    for (;;) {
        const int c = peek();
        if (c < 0 || isLineBreak(c))
            return true;
        if (c >= 32)
            return false;
        ++m_pos; // never stored
    }
}

void Reader::nextLine() {
    while (!lineEnded())
        ++m_pos;
    if (peek() >= 0)
        ++m_pos;
}

void Reader::append(std::string &value, char c, Field &field) {
    if (value.size() < kMaxValue)
        value += c;
    else
        field.tooLong = true;
}

bool Reader::readPlainQuoted(std::string &value) {
    if (m_pos == m_end || *m_pos != '"')
        return false;
    const char *begin = m_pos + 1;
    const auto *quote =
        static_cast<const char *>(std::memchr(begin, '"', static_cast<std::size_t>(m_end - begin)));
    if (!quote || m_end - quote < 2 || static_cast<std::size_t>(quote - begin) > kMaxValue)
        return false;
    bool control = false;
    for (const char *q = begin; q < quote; ++q)
        control |= static_cast<unsigned char>(*q) < 32;
    if (control)
        return false;
    const char *p = quote;
    const char after = p[1];
    const bool comma = after == ',';
    if (!comma && !(after == '\r' && m_breaks == Breaks::CarriageReturn) &&
        !(after == '\n' && m_breaks == Breaks::LineFeed))
        return false;
    value.assign(m_pos + 1, p);
    m_pos = comma ? p + 2 : p + 1; // the line break stays for the line's end
    return true;
}

Reader::Field Reader::readField(std::string &value) {
    // Most fields are a quoted value without doubled quotation marks that lies whole in the
    // buffer: read at once, with the same outcome as character by character.
    if (readPlainQuoted(value))
        return {true, false};
    value.clear();
    Field field;
    enum class State { Outside, Inside, AfterClose } state = State::Outside;
    while (!lineEnded()) {
        // A run of ordinary characters goes into the value at once.
        const char *run = m_pos;
        while (run < m_end && static_cast<unsigned char>(*run) >= 32 && *run != '"' &&
               (state != State::AfterClose || *run != ','))
            ++run;
        if (run != m_pos) {
            const std::size_t n = static_cast<std::size_t>(run - m_pos);
            const std::size_t room = kMaxValue - std::min(kMaxValue, value.size());
            value.append(m_pos, std::min(n, room));
            field.tooLong = field.tooLong || n > room;
            m_pos = run;
            continue;
        }
        const char c = *m_pos++;
        switch (state) {
        case State::Outside:
            if (c == '"')
                state = State::Inside;
            else
                append(value, c, field);
            break;
        case State::Inside:
            if (c != '"') {
                append(value, c, field);
                break;
            }
            if (lineEnded()) {
                field.closed = true;
                return field;
            }
            if (const char next = *m_pos++; next == ',') {
                field.closed = true;
                return field;
            } else if (next == '"') {
                append(value, '"', field);
            } else {
                append(value, next, field);
                state = State::AfterClose;
            }
            break;
        case State::AfterClose:
            if (c == ',') {
                field.closed = true;
                return field;
            }
            append(value, c, field);
            break;
        }
    }
    field.closed = state == State::AfterClose;
    return field;
}

namespace {

// The first `characters` characters of UTF-8 text: a character starts at each byte that is
// not a continuation byte. Malformed text (continuation bytes only) is cut at four bytes a
// character, the longest a character is.
std::string firstCharacters(const std::string &utf8, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t seen = 0; end < utf8.size() && end < 4 * characters; ++end)
        if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80 && seen++ == characters)
            break;
    return utf8.substr(0, end);
}

} // namespace

FirstLine GetFirstLine(Reader &reader, bool utf8) {
    FirstLine line;
    std::string value;
    bool lastClosed = false;
    while (!reader.lineEnded()) {
        if (static_cast<int>(line.names.size()) == kMaxFields) {
            line.problem = FirstLine::TooManyFields;
            return line;
        }
        const Reader::Field field = reader.readField(value);
        if (field.tooLong) {
            line.problem = FirstLine::TooLong;
            return line;
        }
        lastClosed = field.closed;
        line.names.push_back(value.empty() ? std::string(kBlankField)
                             : utf8        ? firstCharacters(value, kMaxNameLength)
                                           : value.substr(0, kMaxNameLength));
    }
    if (!lastClosed)
        line.problem = FirstLine::UnexpectedEnd;
    return line;
}

void AppendQuoted(std::string &line, std::string_view value) {
    line += '"';
    for (const char c : value) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

} // namespace delimited
