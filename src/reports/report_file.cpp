#include "reports/report_file.h"

#include "core/case_insensitive_path.h"
#include "core/text_codec.h"
#include "db/engine/db_error.h"
#include "db/engine/io_util.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString quoted(const QString &path) {
    return QStringLiteral("\"%1\"").arg(path);
}

// Writes `bytes` beside `path` and renames the copy into place, keeping the permissions
// of the file it replaces.
void writeBesideAndRename(const QString &path, const QByteArray &bytes) {
    // Through a symbolic link the file it names is replaced, not the link.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    const std::string file = QFile::encodeName(target).toStdString();
    std::string temp;
    const int fd = db::createTempBeside(file, temp);
    try {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0)
            (void)::fchmod(fd, st.st_mode & 07777);
        db::pwriteFull(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), 0, file);
        db::commitTemp(fd, temp, file);
    } catch (...) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }
    ::close(fd);
}

} // namespace

ReportFile::ReportFile(QString programDirectory) : m_directory(std::move(programDirectory)) {}

QString ReportFile::path() const {
    return resolveCaseInsensitive(m_directory, QLatin1String(kFileName));
}

QString ReportFile::earlierPath() const {
    return resolveCaseInsensitive(m_directory, QLatin1String(kEarlierFileName));
}

int ReportFile::ensure() {
    if (!QFileInfo::exists(path())) {
        QByteArray bytes;
        for (const ReportDefinition &d : urp::BuiltInDefinitions())
            bytes += urp::Serialize(d);
        replaceWith(bytes);
    }
    return convertEarlier();
}

QByteArray ReportFile::readAll(bool *opened) const {
    QFile file(path());
    *opened = file.open(QIODevice::ReadOnly);
    if (!*opened)
        return {};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be read: %2")
                                  .arg(quoted(file.fileName()), file.errorString()));
    return bytes;
}

QStringList ReportFile::listNames() const {
    QStringList names;
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return names;
    const QByteArray bytes = file.readAll();
    for (qsizetype at = 0; at + urp::kRecordSize <= bytes.size(); at += urp::kRecordSize) {
        const auto length =
            std::min<int>(static_cast<unsigned char>(bytes[at]), urp::kNameCapacity);
        names << text8::decode(QByteArrayView(bytes.constData() + at + 1, length));
    }
    return names;
}

int ReportFile::count() const {
    const QFileInfo info(path());
    return info.isFile() ? static_cast<int>(info.size() / urp::kRecordSize) : 0;
}

ReportDefinition ReportFile::read(int index) const {
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        throw ReportFileError(ReportFileError::Kind::CannotOpen,
                              QStringLiteral("The report file %1 could not be opened: %2")
                                  .arg(quoted(file.fileName()), file.errorString()));
    const qint64 records = file.size() / urp::kRecordSize;
    if (index < 0 || index >= records)
        throw ReportFileError(ReportFileError::Kind::NoSuchIndex,
                              QStringLiteral("The report file %1 has no report number %2.")
                                  .arg(quoted(file.fileName()))
                                  .arg(index + 1));
    if (!file.seek(qint64(index) * urp::kRecordSize))
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be read: %2")
                                  .arg(quoted(file.fileName()), file.errorString()));
    const QByteArray record = file.read(urp::kRecordSize);
    std::optional<ReportDefinition> d = urp::Parse(record);
    if (!d)
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be read: %2")
                                  .arg(quoted(file.fileName()), file.errorString()));
    return *std::move(d);
}

QByteArray ReportFile::recordsForChange() const {
    const QString p = path();
    if (!QFileInfo::exists(p))
        return {};
    // The file is replaced only when it may be written: a read-only file stays as it is.
    QFile file(p);
    if (!file.open(QIODevice::ReadWrite))
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be opened for "
                                             "writing: %2")
                                  .arg(quoted(p), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be read: %2")
                                  .arg(quoted(p), file.errorString()));
    bytes.truncate(bytes.size() - bytes.size() % urp::kRecordSize);
    return bytes;
}

void ReportFile::replaceWith(const QByteArray &records) {
    const QString p = path();
    try {
        writeBesideAndRename(p, records);
    } catch (const db::DbError &e) {
        throw ReportFileError(ReportFileError::Kind::Io,
                              QStringLiteral("The report file %1 could not be written: %2")
                                  .arg(quoted(p), QString::fromStdString(e.what())));
    }
}

int ReportFile::append(const ReportDefinition &definition) {
    QByteArray bytes = recordsForChange();
    const int index = static_cast<int>(bytes.size() / urp::kRecordSize);
    bytes += urp::Serialize(definition);
    replaceWith(bytes);
    return index;
}

void ReportFile::overwrite(int index, const ReportDefinition &definition) {
    QByteArray bytes = recordsForChange();
    const qsizetype records = bytes.size() / urp::kRecordSize;
    if (index < 0 || index > records)
        throw ReportFileError(ReportFileError::Kind::NoSuchIndex,
                              QStringLiteral("The report file %1 has no report number %2.")
                                  .arg(quoted(path()))
                                  .arg(index + 1));
    // Writing at the count extends the file by one, as writing at the end of a file of
    // records does.
    const QByteArray record = urp::Serialize(definition);
    if (index == records)
        bytes += record;
    else
        bytes.replace(qsizetype(index) * urp::kRecordSize, urp::kRecordSize, record);
    replaceWith(bytes);
}

void ReportFile::remove(int index) {
    QByteArray bytes = recordsForChange();
    const qsizetype records = bytes.size() / urp::kRecordSize;
    if (index < 0 || index >= records)
        throw ReportFileError(ReportFileError::Kind::NoSuchIndex,
                              QStringLiteral("The report file %1 has no report number %2.")
                                  .arg(quoted(path()))
                                  .arg(index + 1));
    bytes.remove(qsizetype(index) * urp::kRecordSize, urp::kRecordSize);
    replaceWith(bytes);
}

int ReportFile::convertEarlier() {
    const QString old = earlierPath();
    QFile file(old);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return 0;
    file.close();
    QByteArray converted;
    int count = 0;
    for (qsizetype at = 0; at + urp::kOldRecordSize <= bytes.size(); at += urp::kOldRecordSize) {
        if (std::optional<ReportDefinition> d =
                urp::ConvertEarlierRecord(QByteArrayView(bytes).sliced(at, urp::kOldRecordSize))) {
            converted += urp::Serialize(*d);
            ++count;
        }
    }
    if (count > 0) {
        try {
            replaceWith(recordsForChange() + converted);
        } catch (const ReportFileError &) {
            return 0;
        }
    }
    QFile::remove(old);
    return count;
}
