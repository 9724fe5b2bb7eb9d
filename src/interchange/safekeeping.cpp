#include "interchange/safekeeping.h"

#include "core/main_hooks.h"
#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/my_table.h"
#include "interchange/safekeeping_steps.h"
#include "settings/settings.h"

namespace safekeeping {

QString ListMissing(const QString &fileName) {
    return QStringLiteral("The following file \"") + fileName +
           QStringLiteral("\" could not be located on the specified source drive.");
}

QStringList ListFileNames() {
    return {QStringLiteral("BRAND.LST"), QStringLiteral("LOCATION.LST"),
            QStringLiteral("BOUGHT.LST"), QStringLiteral("CATEGORY.LST"),
            QStringLiteral("OWNER.LST")};
}

namespace steps {

void Error(Services &services, const QString &text) {
    services.prompter.error(text);
}

void Notice(Services &services, const QString &text) {
    services.prompter.message(QStringLiteral("Notice"), text, Prompter::Ok, Prompter::Ok,
                              Prompter::Icon::Information);
}

void Warning(Services &services, const QString &text) {
    services.prompter.message(QStringLiteral("Warning"), text, Prompter::Ok, Prompter::Ok,
                              Prompter::Icon::Warning);
}

bool CheckedCopy(Services &services, const QString &source, const QString &dest,
                 const QString &noRoom, const QString &failed) {
    if (!HasRoom(source, dest, services.files)) {
        Error(services, noRoom);
        return false;
    }
    bool copied = false;
    {
        BusyCursor busy(services);
        copied = PlaceCopy(source, dest, services.files);
    }
    if (!copied)
        Error(services, failed);
    return copied;
}

BusyCursor::BusyCursor(Services &services) : m_services(services) {
    if (m_services.busy)
        m_services.busy(true);
}

BusyCursor::~BusyCursor() {
    if (m_services.busy)
        m_services.busy(false);
}

MainTableKeeper::MainTableKeeper(Services &services, bool restoreSearch)
    : m_services(services),
      m_path(services.table.isOpen() ? services.table.path() : services.settings.lastDatabase),
      m_restoreSearch(restoreSearch) {}

MainTableKeeper::~MainTableKeeper() {
    finish();
}

void MainTableKeeper::finish() {
    if (m_finished)
        return;
    m_finished = true;
    try {
        if (!m_services.table.isOpen() && !m_path.isEmpty())
            m_services.table.open(m_path, MyTable::OpenMode::Shared);
        if (m_restoreSearch)
            m_services.hooks.enableEndSearch();
        m_services.hooks.setViewerOptions();
    } catch (const db::DbError &e) {
        // The file cannot be opened again (another program took it meanwhile): say so, as
        // the open command would, rather than leave the failure unexplained.
        Error(m_services, QString::fromLocal8Bit(e.what()));
    }
}

} // namespace steps

} // namespace safekeeping
