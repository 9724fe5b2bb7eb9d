#include "edit/ui/mask_binding.h"

MaskedEdit::Conversion MaskConversion(const InputMask &mask) {
    return {mask.toQtInputMask(),
            [mask](QStringView display) { return mask.textFromDisplay(display); },
            [mask](QStringView text) { return mask.displayFromText(text); }};
}

void SetEditMask(MaskedEdit *edit, QStringView notation) {
    edit->setConversion(MaskConversion(InputMask::parse(notation)));
}
