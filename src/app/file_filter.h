#pragma once

#include <QString>

// File dialog filters are written as pairs "description|patterns|description|patterns",
// patterns separated by ';'. The Qt file dialog wants "description (patterns);;...", and on
// this platform names differ by case, so each pattern is offered in upper and lower case
// too ("*.DBF" finds "old.dbf"). A filter without '|' is taken as already in Qt's form.
[[nodiscard]] QString QtFileFilter(const QString &pairs);
