#pragma once

#include <QIcon>

// The pictures of the speed buttons, drawn rather than taken from the icon theme: the theme
// is not always installed, and these stay legible at 25 x 25.
enum class SpeedGlyph {
    NewFile,
    OpenFile,
    AddRecord,
    EditRecord,
    CopyRecord,
    DeleteRecord,
    Import,
    Export,
    Search,
    EndSearch,
    Locate,
    LocateNext,
    Reports,
    Viewer,
    Colors,
    SortOrder,
    Help,
};

[[nodiscard]] QIcon SpeedIcon(SpeedGlyph glyph);
