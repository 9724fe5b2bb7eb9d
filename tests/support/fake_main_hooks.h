#pragma once

#include "core/main_hooks.h"

#include <QStringList>

#include <functional>

// Main-window hooks for tests: counts every call and runs what a test sets for it.
class FakeMainHooks : public MainHooks {
public:
    void endSearch() override { ++endSearchCalls; }
    void enableEndSearch() override { ++enableEndSearchCalls; }
    void setViewerOptions() override { ++viewerApplied; }
    void displayCount() override { ++countShown; }
    bool saveSettings() override {
        ++saves;
        return onSaveSettings ? onSaveSettings() : true;
    }
    void buildSortExpression() override { ++sortRebuilt; }
    QString sortExpression() const override { return expression; }
    bool openInventoryFile(const QString &path) override {
        opened << path;
        return onOpenInventoryFile ? onOpenInventoryFile(path) : true;
    }

    std::function<bool()> onSaveSettings;
    std::function<bool(const QString &)> onOpenInventoryFile;
    QStringList opened;
    QString expression;
    int endSearchCalls = 0, enableEndSearchCalls = 0, viewerApplied = 0, countShown = 0, saves = 0,
        sortRebuilt = 0;
};
