#pragma once

#include <QString>

#include <functional>

class MyTable;
class Prompter;

// Packing and rebuilding the indexes of the current inventory file. Both ask first, both need
// the file for exclusive use, and both leave it open in shared use with the viewer settings
// applied again (`applyViewer`, the main window's SetViewerOptions). The filter and the
// selected index of the data set are kept.
namespace maintenance {

inline const QString kPackQuestion = QStringLiteral(
    "Deleted items are not permanently removed from the database until packing occurs.  "
    "Packing simply removes them to free up space.  Continue?");
inline const QString kRebuildQuestion = QStringLiteral(
    "It is possible for your index files to become corrupted.  As a result, some items may not "
    "show up in the viewer or in reports.  This will rebuild your index files correctly.  "
    "Continue?");
inline const QString kPackRefused = QStringLiteral(
    "Unable to pack table.  Packing requires exclusive use of the DBase File.  Make sure that "
    "the DBase File is not in use by another program  or that no other users are running the "
    "software or that no other copies of the software are in use.");
inline const QString kRebuildRefused = QStringLiteral(
    "Unable to reindex table.  Reindexing requires exclusive use of the DBase File.  Make sure "
    "that the DBase File is not in use by another program  or that no other users are running "
    "the software or that no other copies of the software are in use.");

enum class Outcome {
    NotAsked, // the answer was not Yes: nothing changed
    Refused,  // exclusive use was refused: the file is open in shared use again, unchanged
    Failed,   // the engine failed while working; its text was shown
    Done,
};

// "&Pack Database": removes the deleted records. The engine builds the packed table beside
// the old one and renames it into place, so a live record is never lost.
[[nodiscard]] Outcome PackDatabase(MyTable &table, Prompter &prompter,
                                   const std::function<void()> &applyViewer);

// "&Rebuild Indexes": regenerates every tag of the production index. A table left without
// one (the engine set aside an index that did not fit it) gets the sort index "NewIndex" on
// `sortExpression` anew, selected, as the open would make it.
[[nodiscard]] Outcome RebuildIndexes(MyTable &table, Prompter &prompter,
                                     const std::function<void()> &applyViewer,
                                     const QString &sortExpression = {});

} // namespace maintenance
