#include "settings/profile_file.h"

#include "core/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <climits>

namespace {

// A value in matching single or double quotes, which reading takes off.
bool isQuoted(QByteArrayView text) {
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}

// Blanks as the profile functions see them; Ctrl-Z is the end-of-file mark of old editors.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

QByteArray trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin).toByteArray();
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

QByteArray withoutLineBreaks(QByteArray text) {
    text.replace('\r', ' ');
    text.replace('\n', ' ');
    return text;
}

} // namespace

ProfileFile::Line ProfileFile::parseLine(QByteArray raw) {
    Line line;
    const QByteArray body = trimmed(raw);
    line.raw = std::move(raw);
    if (body.startsWith('[')) {
        // Like Windows, the header ends at the last ']'; text after it is ignored.
        const qsizetype close = body.lastIndexOf(']');
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = trimmed(QByteArrayView(body).sliced(1, close - 1));
        }
        return line;
    }
    if (body.isEmpty() || body.startsWith(';')) {
        return line;
    }
    const qsizetype equals = body.indexOf('=');
    if (equals < 0) {
        return line;
    }
    line.kind = Kind::Key;
    line.name = trimmed(QByteArrayView(body).first(equals));
    line.value = trimmed(QByteArrayView(body).sliced(equals + 1));
    return line;
}

ProfileFile ProfileFile::fromBytes(QByteArrayView bytes) {
    ProfileFile file;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0) {
            end = bytes.size();
        }
        if (end > start && bytes[end - 1] == '\r') {
            --end;
        }
        file.m_lines.push_back(parseLine(bytes.sliced(start, end - start).toByteArray()));
        start = next;
    }
    return file;
}

QByteArray ProfileFile::toBytes() const {
    QByteArray out;
    for (const Line &line : m_lines) {
        out += line.raw;
        out += "\r\n";
    }
    return out;
}

ProfileFile ProfileFile::load(const QString &path, LoadStatus *status) {
    auto report = [status](LoadStatus s) {
        if (status) {
            *status = s;
        }
    };
    const QFileInfo info(path);
    if (!info.exists()) {
        report(LoadStatus::Missing);
        return {};
    }
    QFile file(path);
    if (info.isDir() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        report(LoadStatus::Failed);
        return {};
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize) {
        report(LoadStatus::Failed);
        return {};
    }
    report(LoadStatus::Loaded);
    return fromBytes(bytes);
}

bool ProfileFile::save(const QString &path) const {
    const QFileInfo info(path);
    if (info.isDir() || !QDir().mkpath(info.absolutePath())) {
        return false;
    }
    // Unbuffered: QSaveFile does not notice a write that fails while its buffer is flushed
    // at commit, and would rename a cut-off file over the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return false;
    }
    const QByteArray bytes = toBytes();
    // An uncommitted save file is discarded, leaving the old file as it was.
    return file.write(bytes) == bytes.size() && file.error() == QFileDevice::NoError &&
           file.commit();
}

int ProfileFile::findSection(QByteArrayView section) const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, section)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int ProfileFile::sectionEnd(int header) const {
    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section) {
        ++i;
    }
    return static_cast<int>(i);
}

int ProfileFile::findKey(int header, QByteArrayView key) const {
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line &line = m_lines[static_cast<std::size_t>(i)];
        if (line.kind == Kind::Key && sameName(line.name, key)) {
            return i;
        }
    }
    return -1;
}

std::optional<QString> ProfileFile::value(QByteArrayView section, QByteArrayView key) const {
    const int header = findSection(section);
    if (header < 0) {
        return std::nullopt;
    }
    const int at = findKey(header, key);
    if (at < 0) {
        return std::nullopt;
    }
    QByteArrayView text = m_lines[static_cast<std::size_t>(at)].value;
    if (isQuoted(text)) {
        text = text.sliced(1, text.size() - 2);
    }
    return text8::decode(text);
}

bool ProfileFile::contains(QByteArrayView section, QByteArrayView key) const {
    const int header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString ProfileFile::readString(QByteArrayView section, QByteArrayView key, const QString &fallback,
                                int bufferSize) const {
    const int room = bufferSize > 0 ? bufferSize - 1 : 0;
    return value(section, key).value_or(fallback).left(room);
}

bool ProfileFile::writeString(QByteArrayView section, QByteArrayView key, const QString &text) {
    bool exact = true;
    const QByteArray encoded = text8::encode(text, &exact);
    exact = exact && !encoded.contains('\r') && !encoded.contains('\n');
    QByteArray bytes = withoutLineBreaks(encoded);
    // Reading takes one pair of enclosing quotes off; a value that itself begins and ends
    // with the same quote gets one more pair, or each save would strip a pair of its own.
    if (isQuoted(bytes))
        bytes = bytes.front() + bytes + bytes.front();
    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.empty() && !trimmed(m_lines.back().raw).isEmpty()) {
            m_lines.push_back(Line{});
        }
        m_lines.push_back(parseLine('[' + withoutLineBreaks(section.toByteArray()) + ']'));
        header = static_cast<int>(m_lines.size()) - 1;
    }
    const int at = findKey(header, key);
    if (at >= 0) {
        Line &line = m_lines[static_cast<std::size_t>(at)];
        line = parseLine(line.name + '=' + bytes);
        return exact;
    }
    int insertAt = header + 1;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QByteArray body = trimmed(m_lines[static_cast<std::size_t>(i)].raw);
        if (!body.isEmpty() && !body.startsWith(';')) {
            insertAt = i + 1;
        }
    }
    m_lines.insert(m_lines.begin() + insertAt,
                   parseLine(withoutLineBreaks(key.toByteArray()) + '=' + bytes));
    return exact;
}

int parseProfileInt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            magnitude = static_cast<long long>(INT_MAX) + 1;
        }
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(signedValue);
}
