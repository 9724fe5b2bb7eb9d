#include "app/batch_import.h"

#include "core/field_catalogue.h"
#include "db/inventory_file.h"
#include "db/my_table.h"
#include "interchange/dbf_import_source.h"
#include "interchange/import_matching.h"
#include "interchange/import_record.h"
#include "interchange/import_run.h"
#include "settings/date_format.h"
#include "settings/regional.h"
#include "settings/settings.h"

#include <QFileInfo>

#include <map>

namespace {

void write(std::FILE *f, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
}

struct ImportArguments {
    QString file;
    QString input;
    bool text = false;
    bool dbf = false;
    bool skipFirst = true;
    QStringList maps;
};

// The arguments, or an error text.
QString Parse(const QStringList &arguments, ImportArguments &a) {
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (arg == u"--text")
            a.text = true;
        else if (arg == u"--dbf")
            a.dbf = true;
        else if (arg == u"--no-skip-first")
            a.skipFirst = false;
        else if (arg == u"--map" && i + 1 < arguments.size())
            a.maps << arguments[++i];
        else
            positional << arg;
    }
    if (positional.size() != 2)
        return QStringLiteral("import takes FILE and IN");
    if (a.text == a.dbf)
        return QStringLiteral("import takes one of --text and --dbf");
    a.file = positional[0];
    a.input = positional[1];
    return {};
}

int CatalogueIndexOf(const QString &key) {
    for (const CatalogueField &f : kCatalogue)
        if (key.compare(QLatin1String(f.key.data(), qsizetype(f.key.size())),
                        Qt::CaseInsensitive) == 0)
            return f.number - 1;
    return -1;
}

// The field map from --map, or an error text.
QString MapFrom(const QStringList &maps, const QStringList &names, std::vector<int> &map) {
    std::map<QString, int> targets;
    for (const QString &option : maps) {
        for (const QString &item : option.split(u',', Qt::SkipEmptyParts)) {
            const qsizetype eq = item.lastIndexOf(u'=');
            if (eq <= 0)
                return QStringLiteral("--map takes IMPORTNAME=KEY, not \"%1\"").arg(item);
            const QString name = item.left(eq);
            const int target = CatalogueIndexOf(item.mid(eq + 1));
            if (target < 0)
                return QStringLiteral("there is no field %1 in an inventory file")
                    .arg(item.mid(eq + 1));
            if (!names.contains(name))
                return QStringLiteral("the import file has no field named \"%1\"").arg(name);
            targets[name] = target;
        }
    }
    map.clear();
    for (const QString &name : names) {
        const auto found = targets.find(name);
        map.push_back(found == targets.end() ? -1 : found->second);
    }
    return {};
}

} // namespace

bool IsBatchImportFlag(const QString &argument) {
    return argument == u"--text" || argument == u"--dbf" || argument == u"--no-skip-first";
}

bool IsBatchImportValueOption(const QString &argument) {
    return argument == u"--map";
}

int RunBatchImport(const QStringList &arguments, const Settings &settings, Prompter &prompter,
                   std::FILE *out, std::FILE *err) {
    ImportArguments a;
    if (const QString error = Parse(arguments, a); !error.isEmpty()) {
        write(err, QStringLiteral("stowkeep-batch: %1\n").arg(error));
        return 2;
    }
    ApplyDateFormat(settings.dateFormat, settings.dateLeadingZeros);
    ReadRegionalValues();
    try {
        // The file first: the text's names are read in its code page.
        if (!CheckDBaseFormat(a.file, prompter))
            return 1;
        MyTable table;
        table.open(a.file, MyTable::OpenMode::Shared);
        QStringList names;
        if (a.text) {
            const importing::TextFirstLine first =
                importing::ReadFirstLine(a.input, table.backend()->codePage());
            if (first.problem != delimited::FirstLine::None) {
                write(err, QStringLiteral("stowkeep-batch: %1\n")
                               .arg(importing::FirstLineMessage(first.problem)));
                return 1;
            }
            names = first.names;
        } else {
            if (!importing::IsDbfFileName(a.input)) {
                write(err, QStringLiteral("stowkeep-batch: %1\n").arg(importing::kInvalidFileType));
                return 1;
            }
            names = importing::DbfFieldNames(QFileInfo(a.input).absoluteFilePath());
        }
        std::vector<int> map = importing::Matching(names).fieldMap();
        if (!a.maps.isEmpty()) {
            if (const QString error = MapFrom(a.maps, names, map); !error.isEmpty()) {
                write(err, QStringLiteral("stowkeep-batch: %1\n").arg(error));
                return 2;
            }
        }
        const importing::ImportOutcome outcome =
            a.text ? importing::ImportText(table, a.input, map, a.skipFirst)
                   : importing::ImportDbf(table, QFileInfo(a.input).absoluteFilePath(), map);
        for (const QString &note : importing::ImportNotes(outcome))
            write(err, QStringLiteral("stowkeep-batch: %1\n").arg(note));
        write(out, QStringLiteral("imported %1 records into %2\n")
                       .arg(outcome.count)
                       .arg(QFileInfo(a.file).absoluteFilePath()));
    } catch (const importing::ImportError &e) {
        write(err, QStringLiteral("stowkeep-batch: %1\n").arg(e.text()));
        return 1;
    }
    return 0;
}
