#pragma once

#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

class MainHooks;
class MyTable;
class Prompter;
namespace dataset {
class TableBackend;
}

// Global search and replace: every live record whose chosen field equals the search value
// (whole value; character fields in any letter case) gets the replacement value, optionally
// after a Yes/No question per record.
namespace replace {

inline const QString kNoFieldMessage = QStringLiteral("No field has been selected.");
inline const QString kInvalidSearchValue =
    QStringLiteral("Invalid search value entered.  Please correct.");
inline const QString kInvalidReplacementValue =
    QStringLiteral("Invalid replacement value entered.  Please correct.");
inline const QString kInvalidSearchDate =
    QStringLiteral("Invalid search date entered.  Please correct.");
inline const QString kInvalidReplacementDate =
    QStringLiteral("Invalid replacement date entered.  Please correct.");
inline const QString kExclusiveRefused = QStringLiteral(
    "Search and Replace requires exclusive use of the DBase File.  Make sure that the DBase "
    "File is not in use by another program  or that no other users are running the software "
    "or that no other copies of the software are in use.");
inline const QString kAborted =
    QStringLiteral("Error in running search and replace.  Search and replace will be aborted.");
inline const QString kComplete = QStringLiteral("Global Search and Replace Complete.");
inline const QString kFinishedTitle = QStringLiteral("Finished");

// What the dialog's boxes hold: a field number 1 to 22 (0 for none chosen) and both texts.
struct Request {
    int fieldNumber = 0;
    QString searchText;
    QString replacementText;
    bool confirmEach = false;
};

// A request whose values passed the checks of their field's kind.
struct CheckedRequest {
    int fieldNumber = 0;
    char kind = 'C';     // 'C', 'N' or 'D'
    QString searchUpper; // character fields: the trimmed search text in upper case
    double searchNumber = 0;
    double searchDay = 0;  // dates as day numbers
    QString replacement;   // character and number fields: the trimmed text as typed
    QDate replacementDate; // date fields
    bool confirmEach = false;
};

// Which box a refused input leaves the focus in.
enum class Focus { FieldBox, SearchText, ReplaceText };
struct InputProblem {
    QString message;
    Focus focus = Focus::FieldBox;
};

// The checks of the dialog's Start button, in order; the first failure is returned.
[[nodiscard]] std::variant<CheckedRequest, InputProblem> CheckInput(const Request &request);

struct Counters {
    std::int64_t processed = 0;
    std::int64_t found = 0;
    std::int64_t changed = 0;
};

// Hears of the sweep as it goes: progress() after each record (a window repaints the
// counters from it), and the per-record question when the request asks for one.
class SweepObserver {
public:
    virtual ~SweepObserver() = default;
    virtual void progress(const Counters &counters) = 0;
    // "Item = "..."  Change this record?"; true for Yes.
    virtual bool confirm(const QString &question) = 0;
};

// The per-record question for a record whose Item field is `item`.
[[nodiscard]] QString ConfirmQuestion(const QString &item);

// The sweep itself, over a table open for exclusive use: every record 1..n in physical
// order, deleted ones passed over. Each change is one record write through the engine.
// Throws db::DbError from the engine (counters then tell what was done) and before the first
// record when the replacement cannot be stored in the field (a character the table's code
// page lacks, a number too wide).
void Sweep(dataset::TableBackend &table, const CheckedRequest &request, SweepObserver &observer,
           Counters &counters);

enum class Outcome {
    Refused, // the file is in use elsewhere: nothing changed
    Aborted, // exclusive open or index removal failed: nothing changed
    Failed,  // the engine failed in the sweep: some records may have been changed (counters)
    Done,
};

// The whole run from the dialog's Start button, after CheckInput: exclusive use, the sort
// index taken away, the sweep, the sort index built again from `sortExpression`, the file
// reopened in shared use (viewer applied through the hooks), a search that was in force put
// in force again, and the closing message. Every way out leaves the data set open in shared
// use with its sort index, when the engine lets it; a failure in the sweep says how many
// records were changed and never reports completion. A process killed at any point leaves
// every record either as it was or fully replaced, and a file the next open indexes again.
[[nodiscard]] Outcome Run(MyTable &table, MainHooks &hooks, Prompter &prompter,
                          const CheckedRequest &request, SweepObserver &observer,
                          Counters &counters);

// The message after a sweep the engine stopped.
[[nodiscard]] QString FailedMessage(std::int64_t changed, const QString &engineText);

} // namespace replace
