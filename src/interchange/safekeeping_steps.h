#pragma once

#include "interchange/safekeeping.h"

#include <QString>

// The steps backup and restore share (not for use outside them).
namespace safekeeping::steps {

void Error(Services &services, const QString &text);
void Notice(Services &services, const QString &text);
void Warning(Services &services, const QString &text);

// The space check, then the copy under the hourglass; either failure told with its message.
[[nodiscard]] bool CheckedCopy(Services &services, const QString &source, const QString &dest,
                               const QString &noRoom, const QString &failed);

// The hourglass cursor from construction to destruction.
class BusyCursor {
public:
    explicit BusyCursor(Services &services);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    Services &m_services;
};

// While the inventory file is copied the main table stays closed. This puts it back on every
// way out: open again in shared use, the search that was in force switched on again when asked
// for, the viewer settings applied. A table someone else opened meanwhile is left as it is.
class MainTableKeeper {
public:
    MainTableKeeper(Services &services, bool restoreSearch);
    ~MainTableKeeper();
    MainTableKeeper(const MainTableKeeper &) = delete;
    MainTableKeeper &operator=(const MainTableKeeper &) = delete;

    // Puts the table back now rather than at destruction.
    void finish();

private:
    Services &m_services;
    QString m_path;
    bool m_restoreSearch;
    bool m_finished = false;
};

} // namespace safekeeping::steps
