#pragma once

#include <QString>
#include <QStringList>

namespace picklists {

// The lines of a grid pick-list file that are not blank after trimming, as read, in file
// order; a file that cannot be read gives an empty list.
[[nodiscard]] QStringList LoadGridList(const QString &path);

} // namespace picklists
