#pragma once

#include <QString>

#include <stdexcept>

// A read or write that failed in the middle of a copy. The text names the file and the system's
// reason; callers that show their own message use path() and errorCode().
class IoError : public std::runtime_error {
public:
    IoError(const QString &path, int errorCode, const QString &what);

    [[nodiscard]] const QString &path() const { return m_path; }
    [[nodiscard]] int errorCode() const { return m_errorCode; }

private:
    QString m_path;
    int m_errorCode;
};

// Copies `source` to `dest` (created, or truncated and overwritten) in blocks of 2048 bytes.
// Returns false, touching nothing, when the source cannot be opened as a regular file, when the
// destination cannot be opened for writing (a missing directory, no permission; no file is
// created then), or when both names reach the same file: by a link, a symbolic link or another
// spelling of the path. That last check compares device and inode after opening the
// destination but before truncating it, so a file is never emptied by copying it onto itself.
// A read, write or close failure during the copy throws IoError; a partly written regular
// destination is removed first so that no truncated copy is left looking complete (a device
// such as /dev/null is written but never truncated or removed). The source is only read.
[[nodiscard]] bool CopyFile(const QString &source, const QString &dest);
