#pragma once

#include "edit/input_mask.h"
#include "ui/masked_edit.h"

#include <QStringView>

// Puts an edit mask of the program's notation on a masked edit box.
[[nodiscard]] MaskedEdit::Conversion MaskConversion(const InputMask &mask);
// Parses `notation` with the date separator in force and applies it; the box is left empty.
void SetEditMask(MaskedEdit *edit, QStringView notation);
