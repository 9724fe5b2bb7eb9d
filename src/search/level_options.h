#pragma once

#include "search/record_test.h"
#include "search/search_criteria.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Search levels given on a command line, for the batch commands that take a search:
//   --level KEY:TEXT [KEY:TEXT ...] [--level ...]
// Each --level starts a level; each criterion names a field by its catalogue key and gives
// the text its criterion cell would hold. For number and date fields the first sign picks
// the row's comparison: "= 12", "> 100", "< 12/31/1995", "> 100 AND < 500" (no sign: equal).
namespace search {

struct LevelCriterion {
    int fieldNumber = 0;
    QString text;
};
using LevelSpec = std::vector<LevelCriterion>;

struct LevelOptions {
    std::vector<LevelSpec> levels;
    QString error; // a malformed option (usage error); empty when all were read
};

// Takes every --level group out of `args` (the other arguments stay, in order).
[[nodiscard]] LevelOptions TakeLevelOptions(QStringList &args);

// The comparison a criterion text picks by its first sign.
[[nodiscard]] int ComparisonOfText(const QString &text);

struct BuiltSearch {
    std::optional<RecordTest> test; // set when every level was accepted
    LevelOutcome failure;           // otherwise: the search window's message for it
    int failedLevel = 0;            // 1-based
};

// Runs the levels through the same criteria collection as the search window.
[[nodiscard]] BuiltSearch BuildSearch(const std::vector<LevelSpec> &levels);

} // namespace search
