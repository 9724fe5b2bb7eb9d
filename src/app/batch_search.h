#pragma once

#include "core/main_hooks.h"
#include "search/level_options.h"
#include "search/search_replace.h"

#include <QString>

#include <cstdio>

class MyTable;
class Prompter;
struct Settings;

// The batch commands of the search feature, on the same record test and sweep as the
// search and the search and replace windows.
namespace batch {

// The main window's part in a search and replace run without a window: the sort expression
// it is given, and nothing to show.
class WindowlessHooks : public MainHooks {
public:
    explicit WindowlessHooks(QString expression) : m_expression(std::move(expression)) {}
    void endSearch() override {}
    void enableEndSearch() override {}
    void setViewerOptions() override {}
    void displayCount() override {}
    bool saveSettings() override { return true; }
    void buildSortExpression() override {}
    [[nodiscard]] QString sortExpression() const override { return m_expression; }

private:
    QString m_expression;
};

// A sweep with no one to ask: every match is changed.
class Unattended : public replace::SweepObserver {
public:
    void progress(const replace::Counters &) override {}
    bool confirm(const QString &) override { return true; }
};

// Puts the search of `levels` in force on an open table, as the search window's Ok does;
// no levels leave every record visible. An invalid criterion shows the search window's
// message and gives false.
[[nodiscard]] bool PutSearchInForce(MyTable &table, const std::vector<search::LevelSpec> &levels,
                                    Prompter &prompter);

// Dates are read in the settings' date format, as the windows read them.
//
// search FILE --level ...: the matching records in the sort order as `dump --recno` writes
// them, the count on `err`. An invalid criterion shows the search window's message; 1 then.
int Search(const QString &path, const std::vector<search::LevelSpec> &levels,
           const Settings &settings, Prompter &prompter, std::FILE *out, std::FILE *err);

// replace FILE FIELD SEARCH REPLACEMENT: the global search and replace without questions;
// prints the processed, found and changed counts. FIELD is a field key or number.
int Replace(const QString &path, const QString &field, const QString &searchText,
            const QString &replacementText, const Settings &settings, Prompter &prompter,
            std::FILE *out);

} // namespace batch
