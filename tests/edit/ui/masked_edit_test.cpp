#include "edit/ui/mask_binding.h"

#include "settings/date_format.h"
#include "support/qt_app.h"

#include <gtest/gtest.h>

#include "key_input.h"

namespace {

class MaskedEditTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureQtApplication();
        ResetDateFormat();
    }
    void TearDown() override { ResetDateFormat(); }
};

TEST_F(MaskedEditTest, AnEmptyDateBoxShowsItsSeparatorsAndReadsAsThem) {
    ASSERT_TRUE(ApplyDateFormat(12, false));
    MaskedEdit edit;
    SetEditMask(&edit, kDateEditMask);
    EXPECT_EQ(edit.inputMask(), QStringLiteral("00.00.0000;_"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("__.__.____"));
    EXPECT_EQ(edit.maskText(), QStringLiteral("  .  .    "));
}

TEST_F(MaskedEditTest, TextSetAndTypedReadsBackInTheProgramsForm) {
    MaskedEdit edit;
    SetEditMask(&edit, kDateEditMask);
    edit.setMaskText(u"7/5/1996");
    EXPECT_EQ(edit.displayText(), QStringLiteral("_7/_5/1996"));
    EXPECT_EQ(edit.maskText(), QStringLiteral(" 7/ 5/1996"));
    edit.clearMaskText();
    EXPECT_EQ(edit.maskText(), QStringLiteral("  /  /    "));

    // Typing a separator moves on to the next group, as the user expects.
    edit.setFocus();
    edit.setCursorPosition(0);
    keys::type(&edit, QStringLiteral("7/5/1996"));
    EXPECT_EQ(edit.maskText(), QStringLiteral("7 /5 /1996"));
    // Letters do not go into a digit box.
    edit.clearMaskText();
    edit.setCursorPosition(0);
    keys::type(&edit, QStringLiteral("ab12"));
    EXPECT_EQ(edit.maskText(), QStringLiteral("12/  /    "));
}

TEST_F(MaskedEditTest, ACriterionMaskKeepsItsLiteralsInTheText) {
    MaskedEdit edit;
    SetEditMask(&edit, u"\\> ccccccccc \\A\\ND \\< cccccccc");
    edit.setMaskText(u"> 100 AND < 500");
    EXPECT_EQ(edit.maskText(), QStringLiteral("> 100       AND < 500     "));
    MaskedEdit plain;
    plain.setMaskText(u"as typed");
    EXPECT_EQ(plain.maskText(), QStringLiteral("as typed")) << "without a mask it is a line edit";
}

} // namespace
