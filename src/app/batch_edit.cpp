#include "app/batch_edit.h"

#include "core/field_catalogue.h"
#include "core/prompter.h"
#include "db/my_table.h"
#include "edit/pick_lists.h"
#include "edit/record_editor.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <QFileInfo>

#include <string>

namespace {

using editor::Control;

void write(std::FILE *f, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
}

// Puts FIELD=VALUE into the form as typing would; an error text when it cannot.
QString Assign(editor::FormValues &form, const QString &assignment) {
    const qsizetype eq = assignment.indexOf(u'=');
    if (eq <= 0)
        return QStringLiteral("--set takes FIELD=VALUE, not \"%1\"").arg(assignment);
    const QString key = assignment.left(eq);
    const QString value = assignment.mid(eq + 1);
    for (const CatalogueField &f : kCatalogue) {
        if (key.compare(QLatin1String(f.key.data(), qsizetype(f.key.size())),
                        Qt::CaseInsensitive) != 0)
            continue;
        const int index = f.number - 1;
        if (index == field::Warranty) {
            if (value.compare(u"Yes", Qt::CaseInsensitive) == 0)
                form.warranty = true;
            else if (value.compare(u"No", Qt::CaseInsensitive) == 0)
                form.warranty = false;
            else
                return QStringLiteral("Warranty takes Yes or No, not \"%1\"").arg(value);
            return {};
        }
        const Control control = *editor::ControlOfField(index);
        const editor::ControlInfo &info = editor::InfoOf(control);
        // The window's boxes take no more than this; nothing is cut without a word.
        const int limit = info.kind == editor::ControlKind::Date ? 10 : info.entryLimit;
        if (limit > 0 && value.size() > limit)
            return QStringLiteral("the value for %1 is longer than the %2 characters it takes")
                .arg(key)
                .arg(limit);
        form[control] = value;
        return {};
    }
    return QStringLiteral("there is no field %1 in an inventory file").arg(key);
}

} // namespace

int RunBatchEdit(const QString &command, const QStringList &arguments, const QStringList &sets,
                 const Settings &loaded, Prompter &prompter, std::FILE *out, std::FILE *err) {
    const bool adding = command == u"add";
    if (arguments.size() != (adding ? 1 : 2)) {
        write(err,
              QStringLiteral("stowkeep-batch: %1 takes %2 and --set FIELD=VALUE options\n")
                  .arg(command, adding ? QStringLiteral("FILE") : QStringLiteral("FILE RECNO")));
        return 2;
    }
    Settings settings = loaded;
    ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
    ReadRegionalValues();

    MyTable table;
    table.open(arguments[0], MyTable::OpenMode::Shared);
    picklists::PickLists lists(settings.programDirectory);
    for (const QString &error : lists.LoadAllList())
        write(err, QStringLiteral("stowkeep-batch: %1\n").arg(error));
    editor::RecordEditor recordEditor(table, settings, lists, prompter);

    editor::FormValues form;
    if (adding) {
        recordEditor.setEditMode(editor::kNewRecord);
        form = recordEditor.FormShow();
    } else {
        bool ok = false;
        const uint recno = arguments[1].toUInt(&ok);
        if (!ok || !table.gotoBookmark(recno)) {
            write(err, QStringLiteral("stowkeep-batch: %1 has no record %2\n")
                           .arg(arguments[0], arguments[1]));
            return 1;
        }
        recordEditor.setEditMode(editor::kCurrentRecord);
        form = recordEditor.FormShow();
    }
    for (const QString &assignment : sets) {
        if (const QString error = Assign(form, assignment); !error.isEmpty()) {
            write(err, QStringLiteral("stowkeep-batch: %1\n").arg(error));
            return 2;
        }
    }
    if (!recordEditor.DoUpdate(form).done)
        return 1;
    write(out, QStringLiteral("%1 record %2 in %3\n")
                   .arg(adding ? QStringLiteral("added") : QStringLiteral("updated"))
                   .arg(table.recNo())
                   .arg(QFileInfo(arguments[0]).absoluteFilePath()));
    int status = 0;
    for (const picklists::SaveProblem &problem : lists.SaveAllLists()) {
        write(err, QStringLiteral("stowkeep-batch: %1\n").arg(picklists::ProblemText(problem)));
        if (!problem.inexact)
            status = 1;
    }
    return status;
}
