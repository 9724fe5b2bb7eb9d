#include "edit/pick_lists.h"

#include "core/case_insensitive_path.h"
#include "core/field_catalogue.h"
#include "core/text_codec.h"
#include "db/engine/db_error.h"
#include "db/engine/io_util.h"
#include "settings/format_helpers.h"

#include <QDir>
#include <QFile>

#include <utility>

namespace picklists {

const std::array<ListInfo, kListCount> &Lists() {
    static const std::array<ListInfo, kListCount> lists{{
        {List::Brand, "BRAND.LST", field::Brand, "Brand", "MyComboBrand", "Brand", 20},
        {List::Location, "LOCATION.LST", field::Location, "Location", "MyComboLocation", "Location",
         30},
        {List::Bought, "BOUGHT.LST", field::BoughtFrom, "Bought", "MyComboBought", "Purchased From",
         40},
        {List::Category, "CATEGORY.LST", field::Category, "Category", "MyComboCategory", "Category",
         30},
        {List::Owner, "OWNER.LST", field::Owner, "TheOwner", "MyComboOwner", "Owner", 30},
    }};
    return lists;
}

const ListInfo &Info(List list) {
    return Lists()[static_cast<std::size_t>(list)];
}

QStringList ParseListFile(QByteArrayView bytes) {
    QStringList entries;
    qsizetype at = 0;
    const qsizetype size = bytes.size();
    while (at < size) {
        qsizetype end = at;
        while (end < size && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView line = bytes.sliced(at, std::min<qsizetype>(end - at, kMaxLineLength));
        // Blank as the trimming of lines sees it: spaces and control characters only.
        bool blank = true;
        for (char c : line)
            blank = blank && static_cast<unsigned char>(c) <= ' ';
        if (!blank)
            entries << text8::decode(line);
        at = end;
        if (at < size && bytes[at] == '\r')
            ++at;
        if (at < size && bytes[at] == '\n')
            ++at;
    }
    return entries;
}

QByteArray FormatListFile(const QStringList &entries, bool *lossless) {
    QByteArray out;
    bool exact = true;
    for (const QString &entry : entries) {
        bool ok = true;
        out += text8::encode(entry, &ok);
        out += "\r\n";
        exact = exact && ok;
    }
    if (lossless)
        *lossless = exact;
    return out;
}

QStringList LoadGridList(const QString &path, QString *error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError && error)
        *error = QStringLiteral("The pick list file %1 could not be read to its end: %2.")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
    return ParseListFile(bytes);
}

QString ProblemText(const SaveProblem &problem) {
    const QString path = QDir::toNativeSeparators(problem.path);
    if (!problem.reason.isEmpty())
        return QStringLiteral("The pick list file %1 could not be written: %2.  The file was "
                              "left as it was; the list stays in memory and is saved again the "
                              "next time the Edit window closes.")
            .arg(path, problem.reason);
    return QStringLiteral("The pick list file %1 cannot hold every character of its entries.  "
                          "Those characters were written as \"?\".")
        .arg(path);
}

PickLists::PickLists(QString programDirectory) : m_directory(std::move(programDirectory)) {}

QString PickLists::path(List list) const {
    return resolveCaseInsensitive(m_directory, QLatin1String(Info(list).fileName));
}

std::optional<QString> PickLists::LoadList(List list) {
    QString error;
    const QStringList entries = picklists::LoadGridList(path(list), &error);
    m_editor[index(list)] = entries;
    m_grid[index(list)] = entries;
    changed(list);
    if (error.isEmpty())
        return std::nullopt;
    return error;
}

std::vector<QString> PickLists::LoadAllList() {
    std::vector<QString> errors;
    for (const ListInfo &info : Lists())
        if (std::optional<QString> error = LoadList(info.list))
            errors.push_back(*error);
    return errors;
}

std::optional<QString> PickLists::LoadGridList(List list) {
    QString error;
    m_grid[index(list)] = picklists::LoadGridList(path(list), &error);
    changed(list);
    if (error.isEmpty())
        return std::nullopt;
    return error;
}

std::optional<SaveProblem> PickLists::SaveList(List list) const {
    const QString file = path(list);
    bool lossless = true;
    const QByteArray bytes = FormatListFile(items(list), &lossless);
    std::optional<SaveProblem> problem;
    if (!lossless)
        problem = SaveProblem{list, file, QString(), true};
    {
        QFile old(file);
        if (old.open(QIODevice::ReadOnly) && old.size() == bytes.size() && old.readAll() == bytes &&
            old.error() == QFileDevice::NoError)
            return problem;
    }
    try {
        db::writeFileAtomically(QFile::encodeName(file).toStdString(),
                                std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const db::DbError &e) {
        return SaveProblem{list, file, QString::fromLocal8Bit(e.what()), false};
    }
    return problem;
}

std::vector<SaveProblem> PickLists::SaveAllLists() const {
    std::vector<SaveProblem> problems;
    for (const ListInfo &info : Lists())
        if (std::optional<SaveProblem> problem = SaveList(info.list))
            problems.push_back(*problem);
    return problems;
}

namespace {

bool AddTrimmed(QStringList &entries, QStringView text) {
    const QString trimmed = Trim(text);
    if (trimmed.isEmpty() || entries.contains(trimmed, Qt::CaseSensitive))
        return false;
    entries << trimmed;
    return true;
}

} // namespace

bool PickLists::AddToList(List list, QStringView text) {
    const bool added = AddTrimmed(m_editor[index(list)], text);
    if (added)
        changed(list);
    return added;
}

bool PickLists::AddToListTwwDB(List list, QStringView text) {
    const bool added = AddTrimmed(m_grid[index(list)], text);
    if (added)
        changed(list);
    return added;
}

void PickLists::UpdateList(List list, const QStringList &entries) {
    m_editor[index(list)] = entries;
    m_grid[index(list)] = entries;
    changed(list);
}

int PickLists::addListener(Listener listener) {
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void PickLists::removeListener(int id) {
    m_listeners.erase(id);
}

void PickLists::changed(List list) {
    // A copy, so that a listener may remove itself.
    const auto listeners = m_listeners;
    for (const auto &[id, listener] : listeners)
        listener(list);
}

} // namespace picklists
