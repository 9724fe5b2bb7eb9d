#pragma once

#include <QPixmap>

// The small pictures of the program's own windows, drawn rather than shipped as files.

// The tip window's picture: a lit bulb, 38 x 41 pixels.
[[nodiscard]] QPixmap TipPicture();
// The program icon: a house over a storage box, `size` pixels square.
[[nodiscard]] QPixmap ProgramIconPixmap(int size = 32);
