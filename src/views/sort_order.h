#pragma once

#include "core/main_hooks.h"

#include <QString>
#include <QStringList>

#include <array>

class MyTable;
class Prompter;
struct Settings;

// Choosing a new sort order: the four levels go into the settings, the sort index of the
// current inventory file is rebuilt under exclusive use, and the settings are saved at once.
namespace sortorder {

inline const QString kNone = QStringLiteral("<NONE>");
inline const QString kInUseMessage = QStringLiteral(
    "Creating a new sort order requires exclusive use of the DBase File.  Make sure that the "
    "DBase File is not in use by another program  or that no other users are running the "
    "software or that no other copies of the software are in use.");
inline const QString kFailedMessage =
    QStringLiteral("Error in implementing sort order.  New sort order not implemented.");

// The entries of each of the four lists: "<NONE>" and the 22 display names in catalogue
// order, so an entry's position is the level value.
[[nodiscard]] QStringList LevelEntries(const Settings &settings);

enum class Outcome { Done, InUse, Failed };

// The OK steps. The table ends open in shared use in every case. On InUse and Failed the
// settings keep their previous levels and the message has been shown; the dialog stays.
[[nodiscard]] Outcome ApplySortOrder(MyTable &table, Settings &settings,
                                     const std::array<int, 4> &levels, Prompter &prompter,
                                     MainHooks &hooks);

} // namespace sortorder
