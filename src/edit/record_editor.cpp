#include "edit/record_editor.h"

#include "core/field_catalogue.h"
#include "core/prompter.h"
#include "edit/input_mask.h"
#include "db/engine/db_error.h"
#include "db/record_view.h"
#include "settings/date_format.h"
#include "settings/format_helpers.h"
#include "settings/settings.h"
#include "settings/typed_number.h"

#include <cstring>

namespace editor {

namespace {

using picklists::List;

constexpr std::size_t Index(Control c) {
    return static_cast<std::size_t>(c);
}

// Slots of the loaded numbers.
int NumberSlot(Control c) {
    switch (c) {
    case Control::Quantity:
        return 0;
    case Control::Value:
        return 1;
    case Control::Cost:
        return 2;
    case Control::RepCost:
        return 3;
    default:
        return -1;
    }
}

QString Money(double value, const Settings &settings) {
    return FormatMoney(1, value, settings.currencyFormat);
}

QString WholeNumber(double value, const Settings &settings) {
    return FormatNumber(1, 0, value, settings.numericFormat);
}

bool FitsField(const RecordLayout *layout, int field, double value) {
    if (!layout || field >= layout->fieldCount())
        return true;
    try {
        (void)field_codec::numberToStorage(layout->fields()[static_cast<std::size_t>(field)],
                                           value);
        return true;
    } catch (const db::DbError &) {
        return false;
    }
}

// The text with every character the code page cannot hold replaced by '?', as storing it
// anyway does.
QString Storable(const RecordLayout &layout, const QString &text) {
    std::string bytes;
    QChar bad;
    if (layout.encode(text, bytes, bad))
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        std::string one;
        out += layout.encode(QStringView(&c, 1), one, bad) ? c : QChar(u'?');
    }
    return out;
}

} // namespace

const std::array<ControlInfo, kControlCount> &Controls() {
    using K = ControlKind;
    static const std::array<ControlInfo, kControlCount> controls{{
        {Control::Item, "Item", field::Item, 0, "ItemLabel", 40, 40, K::Edit, std::nullopt},
        {Control::Brand, "Brand", field::Brand, 0, "BrandLabel", 20, 20, K::Combo, List::Brand},
        {Control::Model, "Model", field::Model, 0, "ModelLabel", 20, 20, K::Edit, std::nullopt},
        {Control::Serial, "Serial", field::Serial, 0, "SerialLabel", 20, 20, K::Edit, std::nullopt},
        {Control::IDMarks, "IDMarks", field::IDMarks, 0, "IDMarksLabel", 60, 60, K::Edit,
         std::nullopt},
        {Control::Comments, "Comments", field::Descriptio, 0, "CommentsLabel", 110, 110, K::Edit,
         std::nullopt},
        {Control::Category, "Category", field::Category, 0, "CategoryLabel", 20, 20, K::Combo,
         List::Category},
        {Control::Location, "Location", field::Location, 0, "LocationLabel", 30, 30, K::Combo,
         List::Location},
        {Control::TheOwner, "TheOwner", field::Owner, 0, "OwnerLabel", 30, 30, K::Combo,
         List::Owner},
        {Control::Quantity, "Quantity", field::Quantity, 1, "QuantityLabel", 0, 10, K::Edit,
         std::nullopt},
        {Control::Value, "Value", field::Value, 1, "ValueLabel", 12, 20, K::Edit, std::nullopt},
        {Control::Cost, "Cost", field::Cost, 1, "CostLabel", 12, 20, K::Edit, std::nullopt},
        {Control::RepCost, "RepCost", field::RepCost, 1, "RepCostLabel", 12, 20, K::Edit,
         std::nullopt},
        {Control::WarDate, "WarDate", field::WarDate, 2, "WarDateLabel", 10, 20, K::Date,
         std::nullopt},
        {Control::WarNotes, "WarNotes", field::WarNotes, 2, "WarNotesLabel", 30, 30, K::Edit,
         std::nullopt},
        {Control::PurchDate, "PurchDate", field::PurchDate, 2, "PurchDateLabel", 10, 20, K::Date,
         std::nullopt},
        {Control::Bought, "Bought", field::BoughtFrom, 2, "BoughtLabel", 40, 40, K::Combo,
         List::Bought},
        {Control::UserDef1, "UserDef1", field::UserDef1, 3, "UserDef1Lab", 40, 40, K::Edit,
         std::nullopt},
        {Control::UserDef2, "UserDef2", field::UserDef2, 3, "UserDef2Lab", 40, 40, K::Edit,
         std::nullopt},
        {Control::UserDef3, "UserDef3", field::UserDef3, 3, "userDef3Lab", 40, 40, K::Edit,
         std::nullopt},
        {Control::UserDef4, "UserDef4", field::UserDef4, 3, "UserDef4Lab", 40, 40, K::Edit,
         std::nullopt},
    }};
    return controls;
}

const ControlInfo &InfoOf(Control control) {
    return Controls()[Index(control)];
}

std::optional<Control> ControlOfField(int field) {
    for (const ControlInfo &info : Controls())
        if (info.field == field)
            return info.id;
    return std::nullopt;
}

QString DateBoxText(const QDate &date) {
    const InputMask mask = InputMask::parse(kDateEditMask);
    if (!date.isValid())
        return mask.blankText();
    const QString pattern = CurrentDatePattern();
    const QChar sep = CurrentDateSeparator();
    const bool zeros = pattern.contains(QStringLiteral("dd"));
    auto part = [zeros](int n) -> QString {
        return zeros ? QString::number(n).rightJustified(2, u'0') : QString::number(n);
    };
    const QString day = part(date.day());
    const QString month = part(date.month());
    const QString year = QString::number(date.year()).rightJustified(4, u'0');
    const QString plain = pattern.startsWith(u'd') ? day + sep + month + sep + year
                                                   : month + sep + day + sep + year;
    return mask.textFromDisplay(mask.displayFromText(plain));
}

bool IsBlankDate(QStringView text) {
    const QString trimmed = Trim(text);
    if (trimmed.isEmpty())
        return true;
    const QChar sep = trimmed.front();
    if (sep != u'/' && sep != u'-' && sep != u'.')
        return false;
    if (trimmed.back() != sep || trimmed.size() < 2)
        return false;
    int separators = 0;
    for (QChar c : trimmed) {
        if (c == sep)
            ++separators;
        else if (c != u' ')
            return false;
    }
    return separators == 2;
}

QString ItemLine(const Settings &settings, const FormValues &values) {
    return settings.fieldNames[field::Item] + QStringLiteral(": ") + values[Control::Item];
}

Totals CalcTotals(const FormValues &values, const Settings &settings) {
    const double q = static_cast<double>(
        ReadTypedWholeNumberPrefix(values[Control::Quantity], settings.numericFormat));
    auto total = [&](Control c) -> QString {
        return Money(q * ReadTypedAmountPrefix(values[c], settings.currencyFormat), settings) +
               QLatin1Char(' ');
    };
    return {total(Control::Value), total(Control::Cost), total(Control::RepCost)};
}

QString AmountExit(QStringView text, const Settings &settings) {
    if (Trim(text).isEmpty())
        return text.toString();
    return Money(ReadTypedAmountPrefix(text, settings.currencyFormat), settings);
}

QString QuantityExit(QStringView text, const Settings &settings) {
    if (Trim(text).isEmpty())
        return text.toString();
    return WholeNumber(ReadTypedAmountPrefix(text, settings.numericFormat), settings);
}

void DoClear(FormValues &values) {
    for (Control c :
         {Control::Item, Control::Brand, Control::Model, Control::Serial, Control::IDMarks,
          Control::Comments, Control::Category, Control::Location, Control::TheOwner,
          Control::WarNotes, Control::Bought, Control::WarDate, Control::PurchDate})
        values[c].clear();
    values[Control::Cost] = values[Control::Value] = values[Control::RepCost] = QStringLiteral("0");
    values[Control::Quantity] = QStringLiteral("1");
    values.warranty = false;
}

FormValues SavedForm(const FormValues &values) {
    FormValues saved = values;
    for (const ControlInfo &info : Controls())
        saved.text[Index(info.id)].truncate(info.savedLength);
    return saved;
}

bool ValuesChanged(const FormValues &values, const FormValues &saved) {
    if (values.warranty != saved.warranty)
        return true;
    for (const ControlInfo &info : Controls()) {
        const QString &now = values.text[Index(info.id)];
        const QString &then = saved.text[Index(info.id)];
        if (info.kind == ControlKind::Date ? Trim(now) != Trim(then) : now != then)
            return true;
    }
    return false;
}

std::optional<CheckFailure> CheckValues(const FormValues &values, const Settings &settings,
                                        const RecordLayout *layout, CheckedValues &checked) {
    auto date = [&](Control c, QDate &out, const char *message) -> std::optional<CheckFailure> {
        const QString text = Trim(values[c]);
        if (IsBlankDate(text)) {
            out = QDate();
            return std::nullopt;
        }
        const ParsedDate parsed = TextToDate(text);
        if (!parsed.isValid())
            return CheckFailure{c, QLatin1String(message)};
        out = parsed.date;
        return std::nullopt;
    };
    auto amount = [&](Control c, double &out, const char *message) -> std::optional<CheckFailure> {
        const std::optional<double> read = ReadTypedAmount(values[c], settings.currencyFormat);
        if (!read || !FitsField(layout, InfoOf(c).field, *read))
            return CheckFailure{c, QLatin1String(message)};
        out = *read;
        return std::nullopt;
    };
    if (auto f = date(Control::WarDate, checked.warDate,
                      "Invalid warranty date specified.  Please correct."))
        return f;
    if (auto f = date(Control::PurchDate, checked.purchDate,
                      "Invalid purchase date specified.  Please correct."))
        return f;
    if (auto f = amount(Control::Cost, checked.cost, "Invalid cost specified.  Please correct."))
        return f;
    if (auto f = amount(Control::Value, checked.value, "Invalid value specified.  Please correct."))
        return f;
    if (auto f = amount(Control::RepCost, checked.repCost,
                        "Invalid replacement cost specified.  Please correct."))
        return f;
    const std::optional<long long> quantity =
        ReadTypedWholeNumber(values[Control::Quantity], settings.numericFormat);
    if (!quantity || !FitsField(layout, field::Quantity, static_cast<double>(*quantity)))
        return CheckFailure{Control::Quantity,
                            QStringLiteral("Invalid quantity specified.  Please correct.")};
    checked.quantity = *quantity;
    return std::nullopt;
}

std::optional<UnstorableText> FindUnstorable(const FormValues &values, const RecordLayout &layout) {
    for (const ControlInfo &info : Controls()) {
        if (info.kind == ControlKind::Date)
            continue;
        std::string bytes;
        QChar bad;
        if (!layout.encode(Trim(values.text[Index(info.id)]), bytes, bad))
            return UnstorableText{info.id, bad};
    }
    return std::nullopt;
}

RecordEditor::RecordEditor(MyTable &table, Settings &settings, picklists::PickLists &lists,
                           Prompter &prompter)
    : m_table(table), m_settings(settings), m_lists(lists), m_prompter(prompter) {}

FormValues RecordEditor::FormShow() {
    FormValues values;
    if (m_editMode == kCurrentRecord || m_editMode == kCopiedRecord) {
        values = LoadInData();
    } else {
        forgetLoaded();
        DoClear(values);
    }
    SaveValues(values);
    return values;
}

FormValues RecordEditor::LoadInData() {
    FormValues values;
    forgetLoaded();
    if (!m_table.isOpen() || m_table.isEmpty())
        return values;
    rememberCurrent();
    const RecordView record = m_table.current();
    for (const ControlInfo &info : Controls()) {
        QString &text = values.text[Index(info.id)];
        if (info.kind == ControlKind::Date) {
            text = DateBoxText(record.date(info.field));
            continue;
        }
        const int slot = NumberSlot(info.id);
        if (slot < 0) {
            text = record.text(info.field);
            continue;
        }
        if (record.isBlank(info.field))
            continue;
        const double number = record.number(info.field);
        text = info.id == Control::Quantity ? WholeNumber(number, m_settings)
                                            : Money(number, m_settings);
        m_loadedNumbers[static_cast<std::size_t>(slot)] = LoadedNumber{text, number};
    }
    values.warranty = record.text(field::Warranty) == u"Yes";
    return values;
}

void RecordEditor::SaveValues(const FormValues &values) {
    m_saved = SavedForm(values);
    m_caption = QStringLiteral("Edit");
}

FormValues RecordEditor::Clear(const FormValues &values) {
    FormValues cleared = values;
    DoClear(cleared);
    m_loadedNumbers = {};
    return cleared;
}

void RecordEditor::rememberCurrent() {
    m_loadedRecno = m_table.recNo();
    m_loadedBytes.assign(m_table.current().buffer(),
                         static_cast<std::size_t>(m_table.layout().recordLength()));
}

void RecordEditor::forgetLoaded() {
    m_loadedRecno = 0;
    m_loadedBytes.clear();
    m_loadedNumbers = {};
}

bool RecordEditor::checkLoadedRecord() {
    if (m_loadedRecno == 0) {
        m_prompter.error(QStringLiteral("There is no record to update.  Use New Record to add "
                                        "one."));
        return false;
    }
    // Another copy of the program may have changed or deleted the record while it was on
    // screen: see what is on disk now.
    m_table.refresh();
    dataset::TableBackend &backend = *m_table.backend();
    const bool gone =
        m_loadedRecno > backend.recordCount() || backend.record(m_loadedRecno)[0] == '*';
    if (gone) {
        m_prompter.error(QStringLiteral(
            "This record was deleted by another user of the inventory file while it was being "
            "edited.  Your entries are still on screen; use Copy Record and Update to store them "
            "as a new record."));
        return false;
    }
    const char *now = backend.record(m_loadedRecno);
    if (std::memcmp(now, m_loadedBytes.data(), m_loadedBytes.size()) != 0) {
        m_prompter.beep(Prompter::Icon::Question);
        if (m_prompter.message(QStringLiteral("Warning"),
                               QStringLiteral("This record was changed by another user of the "
                                              "inventory file while it was being edited.  "
                                              "Replace those changes with your entries?"),
                               Prompter::Yes | Prompter::No, Prompter::No,
                               Prompter::Icon::Question) != Prompter::Yes)
            return false;
        m_loadedBytes.assign(backend.record(m_loadedRecno), m_loadedBytes.size());
    }
    if (m_table.recNo() != m_loadedRecno && !m_table.gotoBookmark(m_loadedRecno)) {
        m_prompter.error(QStringLiteral("This record no longer belongs to the records shown.  "
                                        "End the search to update it."));
        return false;
    }
    return true;
}

RecordEditor::Outcome RecordEditor::DoUpdate(const FormValues &values) {
    Outcome outcome;
    if (m_browseMode)
        return outcome;
    const RecordLayout *layout = m_table.isOpen() ? &m_table.layout() : nullptr;
    CheckedValues checked;
    if (std::optional<CheckFailure> failure = CheckValues(values, m_settings, layout, checked)) {
        m_prompter.error(failure->message);
        outcome.focus = failure->control;
        return outcome;
    }
    // An amount still showing what was loaded is stored as it was, not as its rounded
    // picture (the display has two decimals or the regional number of them).
    for (Control c : {Control::Quantity, Control::Value, Control::Cost, Control::RepCost}) {
        const auto &loaded = m_loadedNumbers[static_cast<std::size_t>(NumberSlot(c))];
        if (!loaded || loaded->shown != values[c])
            continue;
        if (c == Control::Quantity)
            checked.quantity = static_cast<long long>(loaded->value);
        else
            (c == Control::Value  ? checked.value
             : c == Control::Cost ? checked.cost
                                  : checked.repCost) = loaded->value;
    }
    bool replaceBad = false;
    if (layout) {
        if (std::optional<UnstorableText> bad = FindUnstorable(values, *layout)) {
            m_prompter.beep(Prompter::Icon::Question);
            const QString name =
                m_settings.fieldNames[static_cast<std::size_t>(InfoOf(bad->control).field)];
            if (m_prompter.message(
                    QStringLiteral("Warning"),
                    QStringLiteral("The character \"%1\" in %2 cannot be stored in this inventory "
                                   "file (%3); it would be stored as \"?\".  Store the record "
                                   "anyway?")
                        .arg(bad->character, name, layout->codePageName()),
                    Prompter::Yes | Prompter::No, Prompter::No,
                    Prompter::Icon::Question) != Prompter::Yes) {
                outcome.focus = bad->control;
                return outcome;
            }
            replaceBad = true;
        }
    }
    const bool adding = m_editMode == kNewRecord || m_editMode == kCopiedRecord;
    if (!adding && !checkLoadedRecord())
        return outcome;

    const std::array<Control, 5> listed{Control::Brand, Control::Location, Control::Category,
                                        Control::TheOwner, Control::Bought};
    for (Control c : listed)
        m_lists.AddToList(*InfoOf(c).list, values[c]);
    for (Control c : listed)
        m_lists.AddToListTwwDB(*InfoOf(c).list, Trim(values[c]));

    try {
        if (adding)
            m_table.insert();
        else
            m_table.edit();
        writeFields(values, checked, replaceBad);
        if (adding) {
            m_table.post();
        } else if (!m_table.postIfUnchanged(m_loadedBytes)) {
            m_table.cancel();
            m_prompter.error(QStringLiteral(
                "This record was changed by another user of the inventory file just now.  "
                "Your entries are still on screen; update again to decide what to keep."));
            // The next update asks about the change it finds.
            return outcome;
        }
    } catch (...) {
        m_table.cancel();
        throw;
    }
    // Only a record that was stored changes the mode: a failed insert must not turn the
    // next update into an edit of whatever record is current.
    m_editMode = kCurrentRecord;
    rememberCurrent();
    for (Control c : {Control::Quantity, Control::Value, Control::Cost, Control::RepCost})
        m_loadedNumbers[static_cast<std::size_t>(NumberSlot(c))].reset();
    outcome.done = true;
    return outcome;
}

void RecordEditor::writeFields(const FormValues &values, const CheckedValues &checked,
                               bool replaceBad) {
    const RecordLayout &layout = m_table.layout();
    for (const ControlInfo &info : Controls()) {
        if (info.kind == ControlKind::Date || NumberSlot(info.id) >= 0)
            continue;
        QString text = Trim(values.text[Index(info.id)]);
        if (replaceBad)
            text = Storable(layout, text);
        m_table.setText(info.field, text);
    }
    m_table.setDate(field::WarDate, checked.warDate);
    m_table.setDate(field::PurchDate, checked.purchDate);
    m_table.setNumber(field::Cost, checked.cost);
    m_table.setNumber(field::Value, checked.value);
    m_table.setNumber(field::RepCost, checked.repCost);
    m_table.setInteger(field::Quantity, checked.quantity);
    m_table.setText(field::Warranty,
                    values.warranty ? QStringLiteral("Yes") : QStringLiteral("No"));
}

RecordEditor::Outcome RecordEditor::DoAnUpdate(const FormValues &values) {
    Outcome outcome = DoUpdate(values);
    if (outcome.done)
        SaveValues(values);
    return outcome;
}

bool RecordEditor::DoExit(const FormValues &values) {
    if (m_browseMode || !ValuesChanged(values))
        return true;
    m_prompter.beep(Prompter::Icon::Question);
    return m_prompter.message(
               QStringLiteral("Warning"),
               QStringLiteral("Data has changed.  Do you want to exit without updating?"),
               Prompter::Yes | Prompter::No, Prompter::No,
               Prompter::Icon::Question) == Prompter::Yes;
}

bool RecordEditor::askBeforeLeaving(const FormValues &values, const QString &question,
                                    Outcome &outcome) {
    m_prompter.beep(Prompter::Icon::Question);
    const Prompter::Button answer = m_prompter.message(
        QStringLiteral("Warning"), question, Prompter::Yes | Prompter::No | Prompter::Cancel,
        Prompter::No, Prompter::Icon::Question);
    if (answer == Prompter::Cancel)
        return false;
    if (answer == Prompter::Yes) {
        const Outcome updated = DoUpdate(values);
        if (!updated.done) {
            outcome.focus = updated.focus;
            return false;
        }
    }
    return true;
}

RecordEditor::Outcome RecordEditor::NewRecord(const FormValues &values) {
    Outcome outcome;
    if (ValuesChanged(values) &&
        !askBeforeLeaving(
            values,
            QStringLiteral("Data has changed.  Update this record before creating new one?"),
            outcome))
        return outcome;
    FormValues cleared = Clear(values);
    m_editMode = kNewRecord;
    SaveValues(cleared);
    m_caption = QStringLiteral("Edit (New Record)");
    outcome.done = true;
    outcome.show = cleared;
    return outcome;
}

RecordEditor::Outcome RecordEditor::CopyRecord(const FormValues &values) {
    Outcome outcome;
    if (ValuesChanged(values) &&
        !askBeforeLeaving(values,
                          QStringLiteral("Data has changed.  Update this record before creating "
                                         "new one with the current data?"),
                          outcome))
        return outcome;
    m_editMode = kNewRecord;
    SaveValues(values);
    m_caption = QStringLiteral("Edit (New Copied Record)");
    outcome.done = true;
    return outcome;
}

RecordEditor::Outcome RecordEditor::MoveRecord(const FormValues &values, int direction) {
    Outcome outcome;
    const QString where = direction < 0 ? QStringLiteral("previous") : QStringLiteral("next");
    if (!m_browseMode) {
        if (m_editMode == kNewRecord || m_editMode == kCopiedRecord) {
            if (!askBeforeLeaving(values,
                                  QStringLiteral("This record has not been updated yet.  Update "
                                                 "this record before moving to the %1 record?")
                                      .arg(where),
                                  outcome))
                return outcome;
        } else if (ValuesChanged(values)) {
            if (!askBeforeLeaving(values,
                                  QStringLiteral("Data has changed.  Update this record before "
                                                 "moving to the %1 record?")
                                      .arg(where),
                                  outcome))
                return outcome;
        }
    }
    if (m_table.isOpen() && !m_table.isEmpty()) {
        if (direction < 0)
            m_table.prior();
        else
            m_table.next();
    }
    FormValues loaded = LoadInData();
    SaveValues(loaded);
    m_editMode = kCurrentRecord;
    outcome.done = true;
    outcome.show = loaded;
    return outcome;
}

} // namespace editor
