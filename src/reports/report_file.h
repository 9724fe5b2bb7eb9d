#pragma once

#include "reports/report_definition.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

// A failure of the report definition file, with a text that names the file.
class ReportFileError : public std::runtime_error {
public:
    enum class Kind {
        CannotOpen, // the file is missing or cannot be read
        NoSuchIndex,
        Io, // reading or writing failed; the file is as it was
    };
    ReportFileError(Kind kind, const QString &text)
        : std::runtime_error(text.toStdString()), m_kind(kind) {}
    [[nodiscard]] Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// STOWKP.URP in the program directory: a plain sequence of 20,622-byte definitions, each
// addressed by its position. Every operation opens the file, does its work and closes it.
//
// Changes (append, overwrite, delete, the first creation) build the new file beside the old
// one and rename it into place, so that a program killed in the middle leaves either the
// old file or the new one, never a torn or doubled definition. A file that exists but may not
// be written is never replaced. Bytes after the last whole record (left by a writer killed
// part-way in an earlier version) are not a definition and are dropped by the next change.
class ReportFile {
public:
    static constexpr const char *kFileName = "STOWKP.URP";
    static constexpr const char *kEarlierFileName = "HOME.URP";

    explicit ReportFile(QString programDirectory);

    // The file's path, found whatever the case of its name on disk.
    [[nodiscard]] QString path() const;
    [[nodiscard]] QString earlierPath() const;

    // Creates the file with the eight built-in definitions when it does not exist, then
    // converts HOME.URP if there is one. Returns the number of definitions converted.
    // Throws ReportFileError when the file cannot be created.
    int ensure();

    // The names of all definitions in file order; empty when the file cannot be read.
    [[nodiscard]] QStringList listNames() const;
    // Number of definitions; 0 when the file cannot be read.
    [[nodiscard]] int count() const;

    // Throws ReportFileError: CannotOpen when the file is missing or unreadable,
    // NoSuchIndex for an index outside the file.
    [[nodiscard]] ReportDefinition read(int index) const;

    // Appends and returns the new index (the old count); creates the file when missing.
    int append(const ReportDefinition &definition);
    void overwrite(int index, const ReportDefinition &definition);
    // Later definitions move down by one.
    void remove(int index);

    // Converts the definitions of HOME.URP (the earlier version's file), appends them after
    // the existing ones and deletes HOME.URP. The earlier built-ins are skipped. HOME.URP is
    // only deleted once its definitions are safely in STOWKP.URP: when it cannot be read, or
    // the new definitions cannot be written, it stays. Returns the number converted.
    int convertEarlier();

private:
    [[nodiscard]] QByteArray readAll(bool *opened) const;
    // Whole records of the file, for a change; throws when the file exists but cannot be
    // read or written.
    [[nodiscard]] QByteArray recordsForChange() const;
    void replaceWith(const QByteArray &records);

    QString m_directory;
};
