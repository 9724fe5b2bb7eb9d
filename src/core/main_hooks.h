#pragma once

#include <QString>

// What a feature asks of the main window. Features hold this interface, never the window,
// so the main window can include them and not the other way round.
class MainHooks {
public:
    virtual ~MainHooks() = default;

    // Ends the search in force and shows every record again.
    virtual void endSearch() = 0;
    // A search has been put in force: the end-search commands come on, "SEARCH ON" shows.
    virtual void enableEndSearch() = 0;
    // Applies the viewer settings (columns, titles, fonts) to the grid again.
    virtual void setViewerOptions() = 0;
    // Shows the record count again.
    virtual void displayCount() = 0;
    // Writes the settings to the configuration file; false when that failed.
    [[nodiscard]] virtual bool saveSettings() = 0;
    // Rebuilds the sort expression from the settings' sort levels.
    virtual void buildSortExpression() = 0;
    // The sort expression in force.
    [[nodiscard]] virtual QString sortExpression() const = 0;
    // Makes the inventory file at `path` (closed, no one else holding it) the current one, as
    // opening a newly made file does: its sort index built afresh, the caption, the viewer and
    // the record count. False, with the reason told, when it could not be opened. A window
    // without a current inventory file cannot.
    [[nodiscard]] virtual bool openInventoryFile(const QString &path) {
        (void)path;
        return false;
    }
};
