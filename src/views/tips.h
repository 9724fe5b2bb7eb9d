#pragma once

#include <QString>

// The tip of the day texts, numbered 1 to kTipCount.
namespace tips {

inline constexpr int kTipCount = 24;

// The text of tip `number` (1 to 24); an empty text for any other number.
[[nodiscard]] QString TipText(int number);
// The tip after `number`: one more, and 1 after the last.
[[nodiscard]] int NextTip(int number);
// A tip number drawn uniformly from 1 to 24, from a generator seeded by the clock.
[[nodiscard]] int RandomTip();

} // namespace tips
