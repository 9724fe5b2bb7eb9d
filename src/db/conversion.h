#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class MyTable;
class Prompter;

// Databases of the two earlier versions of the program, kept in fixed files in the program
// directory, recognised by their field names and copied into the current inventory file.
namespace conversion {

inline const QString kVersion2File = QStringLiteral("H2LOG.DBF");
inline const QString kVersion1File = QStringLiteral("HLOG.DBF");

// The field names from the second field on; a file stores at most 10 characters of each.
[[nodiscard]] const QStringList &Version2Names();
[[nodiscard]] const QStringList &Version1Names();

// The question asked for a detected file: `version` "2.X" or "1.X".
[[nodiscard]] QString ConvertQuestion(const QString &version, const QString &fileName);

// The number of a version 1 month name ("Jan" 1 ... "Dec" 12), compared exactly with the
// first four characters of the text; nothing for any other text.
[[nodiscard]] std::optional<int> MonthNumber(const QString &monthText);

// The purchase date text of a version 1 record: month (a name becomes its number) "/" day "/"
// year, each part cut to four characters.
[[nodiscard]] QString Version1DateText(const QString &day, const QString &month,
                                       const QString &year);

// True when the file is a database of that version: 19 (version 2) or 15 (version 1)
// fields whose names from the second on are the expected ones, compared ignoring case. A
// missing production index is repaired first. No message is shown; engine errors opening
// the file propagate.
[[nodiscard]] bool CheckDBaseFormatV2(const QString &path);
[[nodiscard]] bool CheckDBaseFormatV1(const QString &path);

struct Converted {
    int records = 0;
    // Values that could not be read into the new field (a version 1 purchase date that is no
    // date, a number that is no number); the field is left empty.
    int unreadable = 0;
};

// Copies every live record of the old file, in its physical order, into the open inventory
// file `table`. Dates are carried as dates, so no century is lost to a two-digit format.
[[nodiscard]] Converted ConvertV2(const QString &path, MyTable &table);
[[nodiscard]] Converted ConvertV1(const QString &path, MyTable &table);

inline const QString kUnreadableNotice =
    QStringLiteral("%1 values of the converted records could not be read and were left empty.");

// The start-up step: the version 2 file first, then the version 1 file; each one that is
// there and passes its check is offered ("Convert", Yes and No), converted on Yes and then
// deleted (its .MDX stays).
void CheckForConversion(const QString &programDirectory, MyTable &table, Prompter &prompter);

} // namespace conversion
