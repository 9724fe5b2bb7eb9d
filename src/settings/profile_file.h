#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

// A key of a profile file by its section and name, as a message to the user names it.
struct ProfileKey {
    QString section;
    QString key;
    friend bool operator==(const ProfileKey &, const ProfileKey &) = default;
};

// A Windows initialisation file, read and written the way the private-profile functions
// treat it, so that a file written by the earlier Windows program keeps working and keeps
// everything it holds.
//
// - `[Section]` lines open a section; `key=value` lines belong to the section above them.
//   Names compare case-insensitively (ASCII); blanks around names and values are trimmed,
//   blanks inside them kept ("Main Window Left").
// - Lines starting with ';', lines without '=', blank lines and lines before the first
//   section are kept as they are but are never keys.
// - A key that occurs twice in a section: the first one counts. A section that occurs twice:
//   only the first one is searched and written to; the later one is kept as it stands.
// - Writing an existing key replaces its line in place (the key keeps its spelling); a new
//   key goes after the last line of its section that is neither blank nor a comment; a new
//   section goes at the end of the file, after one blank line.
// - Text is Windows ANSI 1252; lines end in CR LF when written. A file loaded and saved
//   without changes comes out byte for byte as it was, apart from LF-only line ends.
class ProfileFile {
public:
    enum class LoadStatus { Loaded, Missing, Failed };

    // Largest file accepted; anything bigger is not a settings file.
    static constexpr qsizetype kMaxFileSize = 4 * 1024 * 1024;

    ProfileFile() = default;

    [[nodiscard]] static ProfileFile fromBytes(QByteArrayView bytes);
    [[nodiscard]] QByteArray toBytes() const;

    // A missing file gives an empty profile and Missing; a file that exists but cannot be
    // read (or is too big) gives an empty profile and Failed.
    [[nodiscard]] static ProfileFile load(const QString &path, LoadStatus *status = nullptr);

    // Writes a temporary file beside `path` and renames it over the old one, creating the
    // directory if needed. On failure the previous file is left untouched.
    [[nodiscard]] bool save(const QString &path) const;

    // The stored value, trimmed, with one pair of enclosing quotes removed, or nothing when
    // the section or key is absent.
    [[nodiscard]] std::optional<QString> value(QByteArrayView section, QByteArrayView key) const;
    [[nodiscard]] bool contains(QByteArrayView section, QByteArrayView key) const;

    // What GetPrivateProfileString leaves in a buffer of `bufferSize` characters: the value
    // (or the default when the key is absent) cut to bufferSize - 1 characters.
    [[nodiscard]] QString readString(QByteArrayView section, QByteArrayView key,
                                     const QString &fallback, int bufferSize) const;

    // Writes `key=value`. Line breaks in the value become blanks so that no value can
    // start a line of its own, and characters outside the code page become '?'. Returns
    // false when either happened: the value then reads back other than it was written.
    [[nodiscard]] bool writeString(QByteArrayView section, QByteArrayView key, const QString &text);

    [[nodiscard]] bool isEmpty() const { return m_lines.empty(); }

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        QByteArray raw; // without line end
        Kind kind = Kind::Other;
        QByteArray name;  // section or key name, trimmed
        QByteArray value; // key value, trimmed
    };

    // Index of the first header of `section`, or -1.
    [[nodiscard]] int findSection(QByteArrayView section) const;
    // One past the last line belonging to the section whose header is at `header`.
    [[nodiscard]] int sectionEnd(int header) const;
    [[nodiscard]] int findKey(int header, QByteArrayView key) const;

    static Line parseLine(QByteArray raw);

    std::vector<Line> m_lines;
};

// Decimal parse as the profile functions and the program do it: leading blanks, an optional
// sign, then as many digits as there are; no digits give 0. Values beyond the range of int
// stop at its limits.
[[nodiscard]] int parseProfileInt(QStringView text);
