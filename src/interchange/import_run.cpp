#include "interchange/import_run.h"

#include "db/engine/codepage.h"
#include "db/my_table.h"
#include "interchange/dbf_import_source.h"
#include "interchange/import_record.h"
#include "interchange/recode.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace importing {

namespace {

// A text file read in large blocks; closed when it goes. A file that starts with the UTF-8
// byte order mark (as spreadsheet programs write "CSV UTF-8") is read after it, as UTF-8.
class TextFile {
public:
    explicit TextFile(const QString &path) : m_path(path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            fail();
        char mark[3];
        const ssize_t got = ::pread(m_fd, mark, sizeof mark, 0);
        if (got < 0)
            fail();
        m_utf8 = got == 3 && std::memcmp(mark, "\xEF\xBB\xBF", 3) == 0;
        if (m_utf8 && ::lseek(m_fd, 3, SEEK_SET) < 0)
            fail();
    }
    ~TextFile() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    [[nodiscard]] delimited::Reader reader() {
        return delimited::Reader([this](char *buffer, std::size_t size) -> std::size_t {
            for (;;) {
                const ssize_t got = ::read(m_fd, buffer, size);
                if (got >= 0)
                    return static_cast<std::size_t>(got);
                if (errno != EINTR)
                    fail();
            }
        });
    }

    [[nodiscard]] bool utf8() const { return m_utf8; }

private:
    [[noreturn]] void fail() const {
        throw ImportError(QStringLiteral("The file %1 cannot be read: %2.")
                              .arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    QString m_path;
    int m_fd = -1;
    bool m_utf8 = false;
};

} // namespace

TextFirstLine ReadFirstLine(const QString &path, int codePage) {
    TextFile file(path);
    delimited::Reader reader = file.reader();
    const delimited::FirstLine first = delimited::GetFirstLine(reader, file.utf8());
    TextFirstLine line;
    line.problem = first.problem;
    const db::CodePage &page = db::CodePage::get(codePage);
    for (const std::string &name : first.names)
        line.names << QString::fromStdString(file.utf8() ? name : page.toUtf8(name));
    return line;
}

QString FirstLineMessage(delimited::FirstLine::Problem problem) {
    QString text =
        QStringLiteral("The file selected does not appear to be an ASCII delimited text file.  "
                       "An ASCII delimited file requires a unique format of each field being "
                       "surrounded by double quotes and separated by a comma.  ");
    switch (problem) {
    case delimited::FirstLine::TooLong:
        return text +
               QStringLiteral("The selected file has a field that is greater than 255 characters.");
    case delimited::FirstLine::UnexpectedEnd:
        return text + QStringLiteral("The selected file had an unexpected end of a line most "
                                     "likely due to an unmatched quote.");
    case delimited::FirstLine::TooManyFields:
        return text + QStringLiteral("The selected file has too many fields.  There are at least "
                                     "10 more fields than are required by Stowkeep.");
    case delimited::FirstLine::None:
        break;
    }
    return {};
}

bool IsDbfFileName(const QString &path) {
    return path.right(4).toUpper() == QLatin1String(".DBF");
}

namespace {

// Adds the records `read` fills into a blank record each: it returns false at the end, and
// sets `take` for a record to be added.
template <typename Read>
std::int64_t AddRecords(MyTable &table, const RecordFiller &filler, const Progress &progress,
                        Read read) {
    MyTable::BulkInsert bulk = table.bulkInsert();
    std::string record;
    std::int64_t count = 0;
    for (;;) {
        record = filler.blankRecord();
        bool take = false;
        if (!read(record, take))
            break;
        if (!take)
            continue;
        (void)bulk.append(record);
        ++count;
        if (progress)
            progress(count);
    }
    bulk.commit();
    return count;
}

} // namespace

ImportOutcome ImportText(MyTable &table, const QString &path, const std::vector<int> &map,
                         bool skipFirst, const Progress &progress) {
    TextFile file(path);
    delimited::Reader reader = file.reader();
    const RecordFiller filler(table.layout());
    const int fieldCount = static_cast<int>(map.size());
    if (skipFirst)
        (void)delimited::ReadInAsciiRecord(reader, fieldCount, [](int, const std::string &) {});
    const db::CodePage &page = db::CodePage::get(table.backend()->codePage());
    std::string encoded;
    ImportOutcome outcome;
    outcome.count = AddRecords(table, filler, progress, [&](std::string &record, bool &take) {
        if (reader.atEnd())
            return false;
        take =
            delimited::ReadInAsciiRecord(reader, fieldCount, [&](int k, const std::string &value) {
                const int target = map[static_cast<std::size_t>(k)];
                if (target < 0)
                    return;
                if (!file.utf8()) {
                    filler.storeText(record, target, value);
                    return;
                }
                outcome.replacedCharacters += EncodeReplacing(page, value, encoded);
                filler.storeText(record, target, encoded);
            });
        return true;
    });
    return outcome;
}

ImportOutcome ImportDbf(MyTable &table, const QString &path, const std::vector<int> &map,
                        const Progress &progress) {
    DbfImportSource source(path, table.backend()->codePage());
    const RecordFiller filler(table.layout());
    ImportOutcome outcome;
    std::uint32_t next = 1;
    outcome.count = AddRecords(table, filler, progress, [&](std::string &record, bool &take) {
        if (next > source.recordCount())
            return false;
        take = source.readRecord(next++, map, filler, record);
        return true;
    });
    outcome.replacedCharacters = source.replacedCharacters();
    outcome.memoFileMissing = source.memoFileMissing();
    return outcome;
}

QString ReplacedCharactersNote(std::int64_t replaced) {
    if (replaced == 0)
        return {};
    return QStringLiteral("%1 characters of the imported file cannot be held by the inventory "
                          "file's code page; each was stored as \"?\".")
        .arg(replaced);
}

QStringList ImportNotes(const ImportOutcome &outcome) {
    QStringList notes;
    if (const QString note = ReplacedCharactersNote(outcome.replacedCharacters); !note.isEmpty())
        notes << note;
    if (outcome.memoFileMissing)
        notes << QStringLiteral("The memo file of the imported table is missing; its memo "
                                "fields were imported as empty.");
    return notes;
}

} // namespace importing
