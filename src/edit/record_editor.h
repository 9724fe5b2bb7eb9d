#pragma once

#include "db/my_table.h"
#include "edit/pick_lists.h"

#include <QDate>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class Prompter;
struct Settings;

// The rules of the record editor, without its window: what the controls show for a record,
// what counts as changed, the checks before a record is stored and the storing itself, and
// the questions asked before the work on screen could be lost. The window (TMyEdit) holds
// the controls and hands their contents in and out as FormValues; the batch tool's add and
// edit commands run the same update.
namespace editor {

// The entry controls in the order the Enter key walks them.
enum class Control {
    Item,
    Brand,
    Model,
    Serial,
    IDMarks,
    Comments,
    Category,
    Location,
    TheOwner,
    Quantity,
    Value,
    Cost,
    RepCost,
    WarDate,
    WarNotes,
    PurchDate,
    Bought,
    UserDef1,
    UserDef2,
    UserDef3,
    UserDef4,
};
inline constexpr int kControlCount = 21;

// The notebook's pages.
inline constexpr int kDescriptionPage = 0, kWorthPage = 1, kWarrantyPage = 2, kOtherPage = 3;

enum class ControlKind { Edit, Combo, Date };

struct ControlInfo {
    Control id;
    const char *name;  // object name of the control
    int field;         // catalogue index of its field
    int page;          // notebook page it stands on
    const char *label; // object name of its label
    int entryLimit;    // characters it takes; 0 for no limit
    int savedLength;   // its saved value is cut to this
    ControlKind kind;
    std::optional<picklists::List> list; // the pick list of a combo box
};
[[nodiscard]] const std::array<ControlInfo, kControlCount> &Controls();
[[nodiscard]] const ControlInfo &InfoOf(Control control);
// The control bound to a catalogue field (nullopt for Warranty, the check box).
[[nodiscard]] std::optional<Control> ControlOfField(int field);

// What the controls hold: every entry control's text and the Warranty box.
struct FormValues {
    std::array<QString, kControlCount> text;
    bool warranty = false;

    QString &operator[](Control c) { return text[static_cast<std::size_t>(c)]; }
    const QString &operator[](Control c) const { return text[static_cast<std::size_t>(c)]; }
    friend bool operator==(const FormValues &, const FormValues &) = default;
};

// The editor's three modes, shared with the main window.
inline constexpr int kNewRecord = 1, kCurrentRecord = 2, kCopiedRecord = 3;

// What a date box reads for a date: the order and separator of the date format in force,
// with leading zeros when it has them, and always the four-digit year the box has room for,
// so that reading it back never moves a date by a century; laid into the box's mask
// (" 7/ 5/1996"). No date gives the empty box's "  /  /    ".
[[nodiscard]] QString DateBoxText(const QDate &date);
// True when a date box holds no date: nothing but the two separators ("/", "-" or ".") with
// blanks between and around them (an empty text included).
[[nodiscard]] bool IsBlankDate(QStringView text);

// The line under the other pages' headings: the display name of field 1, ": ", the item.
[[nodiscard]] QString ItemLine(const Settings &settings, const FormValues &values);

struct Totals {
    QString value, cost, repCost;
};
// Quantity times each amount, in the amount format followed by one blank. Texts that do not
// read as numbers count as far as they read (as the boxes show them once left).
[[nodiscard]] Totals CalcTotals(const FormValues &values, const Settings &settings);

// What an amount box and the quantity box show once they are left: a non-empty text read as
// far as it is a number and written back in the amount format (quantity: the number format
// with no decimals, so 2.6 becomes 3).
[[nodiscard]] QString AmountExit(QStringView text, const Settings &settings);
[[nodiscard]] QString QuantityExit(QStringView text, const Settings &settings);

// Empties the description, brand, ... and both dates, amounts "0", quantity "1", Warranty
// off; the four user-defined fields keep their text.
void DoClear(FormValues &values);

// The values as `SaveValues` records them: each text cut to its saved length.
[[nodiscard]] FormValues SavedForm(const FormValues &values);
// True as soon as one control differs from its saved value (dates compared trimmed).
[[nodiscard]] bool ValuesChanged(const FormValues &values, const FormValues &saved);

// The checks of an update. A failure names the control to take the focus and the message.
struct CheckFailure {
    Control control;
    QString message;
};
// What the checks read from the boxes, ready to be written.
struct CheckedValues {
    QDate warDate, purchDate; // null for no date
    double cost = 0, value = 0, repCost = 0;
    long long quantity = 0;
};
// The six checks in order: warranty date, purchase date, cost, value, replacement cost,
// quantity. A number that the file's field cannot hold (`layout`, when given) fails its
// check as a number that cannot be read does.
[[nodiscard]] std::optional<CheckFailure> CheckValues(const FormValues &values,
                                                      const Settings &settings,
                                                      const RecordLayout *layout,
                                                      CheckedValues &checked);

// The first character of a text control that the table's code page cannot hold.
struct UnstorableText {
    Control control;
    QChar character;
};
[[nodiscard]] std::optional<UnstorableText> FindUnstorable(const FormValues &values,
                                                           const RecordLayout &layout);

// The record editor's state and operations over the main window's data set.
class RecordEditor {
public:
    RecordEditor(MyTable &table, Settings &settings, picklists::PickLists &lists,
                 Prompter &prompter);

    [[nodiscard]] int editMode() const { return m_editMode; }
    void setEditMode(int mode) { m_editMode = mode; }
    [[nodiscard]] bool browseMode() const { return m_browseMode; }
    void setBrowseMode(bool on) { m_browseMode = on; }
    [[nodiscard]] const QString &caption() const { return m_caption; }
    [[nodiscard]] const FormValues &savedValues() const { return m_saved; }

    // What a command leaves on screen. `done` is false when it stopped (Cancel, No to
    // leaving, a check that failed); `show` the values the controls are to take, if they
    // change; `focus` the control a failed check points at (its page is to be shown).
    struct Outcome {
        bool done = false;
        std::optional<FormValues> show;
        std::optional<Control> focus;
    };

    // Showing: the current record for edit and copy, cleared values for a new one; then
    // the saved values are taken and the caption is "Edit".
    [[nodiscard]] FormValues FormShow();
    // The current record of the data set as the controls show it (every field empty when
    // there is none). Remembers the record, so that an update writes into that record only.
    [[nodiscard]] FormValues LoadInData();
    void SaveValues(const FormValues &values);
    // The saved values as the controls read back what they were just given (a box may show
    // a text in its own way); the caption stays as it is.
    void ResaveShown(const FormValues &shown) { m_saved = SavedForm(shown); }
    [[nodiscard]] bool ValuesChanged(const FormValues &values) const {
        return editor::ValuesChanged(values, m_saved);
    }
    // `DoClear` for the window's Clear command: also forgets the loaded numbers, so that
    // nothing typed afterwards is taken for them.
    [[nodiscard]] FormValues Clear(const FormValues &values);

    // Checks and stores what is on screen. Failures tell the user and write nothing.
    [[nodiscard]] Outcome DoUpdate(const FormValues &values);
    // Update; on success the values are saved again (the caption "Edit").
    [[nodiscard]] Outcome DoAnUpdate(const FormValues &values);
    // Whether the window may close for Exit (asks when something is not stored).
    [[nodiscard]] bool DoExit(const FormValues &values);
    [[nodiscard]] Outcome NewRecord(const FormValues &values);
    [[nodiscard]] Outcome CopyRecord(const FormValues &values);
    // Previous (-1) and next (+1) record of the data set.
    [[nodiscard]] Outcome MoveRecord(const FormValues &values, int direction);

private:
    // Yes, No or Cancel to keep the work on screen before it is left; true to go on.
    [[nodiscard]] bool askBeforeLeaving(const FormValues &values, const QString &question,
                                        Outcome &outcome);
    [[nodiscard]] bool checkLoadedRecord();
    void writeFields(const FormValues &values, const CheckedValues &checked, bool replaceBad);
    void rememberCurrent();
    void forgetLoaded();

    MyTable &m_table;
    Settings &m_settings;
    picklists::PickLists &m_lists;
    Prompter &m_prompter;
    int m_editMode = kNewRecord;
    bool m_browseMode = false;
    QString m_caption = QStringLiteral("Edit");
    FormValues m_saved;

    // The record the values came from: its number and its bytes as they were read.
    std::uint32_t m_loadedRecno = 0;
    std::string m_loadedBytes;
    // The numbers behind the amount and quantity texts LoadInData showed: a text still
    // showing as loaded stores the number exactly, not its rounded picture.
    struct LoadedNumber {
        QString shown;
        double value = 0;
    };
    std::array<std::optional<LoadedNumber>, 4> m_loadedNumbers; // quantity, value, cost, rep
};

} // namespace editor
