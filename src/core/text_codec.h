#pragma once

#include "db/engine/codepage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one codec for the program's 8-bit text files (settings, pick lists, report
// definitions, delimited text): the engine's code-page tables, so a file reads the same
// whether the engine or a window opens it. New files are Windows ANSI 1252; every byte of
// it round-trips, the five it leaves undefined included.
namespace text8 {

[[nodiscard]] QString decode(QByteArrayView bytes, int codePage = db::kDefaultCodePage);

// Characters the code page cannot hold become '?', as Windows writes them; `lossless`
// (when given) tells whether every character survived.
[[nodiscard]] QByteArray encode(QStringView text, bool *lossless = nullptr,
                                int codePage = db::kDefaultCodePage);

} // namespace text8
