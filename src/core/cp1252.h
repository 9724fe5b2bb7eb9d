#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows ANSI 1252 text, the code page of files shared with the earlier Windows program.
// Converted by hand: the page is small and fixed, and glibc's table refuses the five bytes
// 1252 leaves undefined, which Windows itself passes through as C1 control characters.
namespace cp1252 {

[[nodiscard]] QString decode(QByteArrayView bytes);

// Characters the code page cannot hold become '?', as Windows writes them; `lossless`
// (when given) tells whether every character survived.
[[nodiscard]] QByteArray encode(QStringView text, bool *lossless = nullptr);

} // namespace cp1252
