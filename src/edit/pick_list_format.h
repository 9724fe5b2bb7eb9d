#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// The format of the pick-list files, apart from the files themselves so that it can be
// fuzzed with the lowest layers alone.
namespace picklists {

// A line is read up to this many characters; the rest of a longer line is skipped.
inline constexpr int kMaxLineLength = 255;

// The entries of a list file: one a line (CR LF, LF or a lone CR ends a line), each line cut
// to kMaxLineLength characters; a line of nothing but blanks (or control characters) is
// skipped, any other is kept exactly, blanks around it included. 8-bit text in the code page
// of new tables.
[[nodiscard]] QStringList ParseListFile(QByteArrayView bytes);
// Every entry on its own line ended by CR LF. `lossless` (when given) tells whether every
// character could be written.
[[nodiscard]] QByteArray FormatListFile(const QStringList &entries, bool *lossless = nullptr);

} // namespace picklists
