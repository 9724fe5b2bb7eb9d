#include "ui/form_components.h"
#include "ui/form_scaling.h"

#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

class FormScaling : public ::testing::Test {
protected:
    void SetUp() override { EnsureQtApplication(); }
};

// A dialog laid out by hand, as most of the program's windows are.
struct PlacedForm {
    QWidget form;
    QLabel *label;
    QLineEdit *edit;
    QPushButton *button;
    QFrame *bevel;
    QGroupBox *group;
    QCheckBox *inGroup;

    PlacedForm() {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(10);
        form.setFont(font);
        label = new QLabel(QStringLiteral("Name"), &form);
        label->setGeometry(10, 10, 100, 20);
        edit = new QLineEdit(&form);
        edit->setGeometry(120, 10, 200, 24);
        button = new QPushButton(QStringLiteral("&Ok"), &form);
        button->setGeometry(240, 250, 80, 28);
        QFont big = button->font();
        big.setPointSize(14);
        button->setFont(big);
        bevel = new QFrame(&form);
        bevel->setFrameShape(QFrame::HLine);
        bevel->setGeometry(10, 240, 380, 2);
        group = new QGroupBox(QStringLiteral("Options"), &form);
        group->setGeometry(10, 60, 200, 100);
        inGroup = new QCheckBox(QStringLiteral("One"), group);
        inGroup->setGeometry(8, 20, 120, 20);
        form.resize(400, 300);
    }
};

} // namespace

TEST_F(FormScaling, RatioIsTheFactorToTwoDecimals) {
    EXPECT_DOUBLE_EQ(ScaleRatio(1.0), 1.0);
    EXPECT_DOUBLE_EQ(ScaleRatio(1.25), 1.25);
    EXPECT_DOUBLE_EQ(ScaleRatio(1.6), 1.6);
    EXPECT_DOUBLE_EQ(ScaleRatio(2.0), 2.0);
    EXPECT_DOUBLE_EQ(ScaleRatio(1.2549), 1.25);
    EXPECT_DOUBLE_EQ(ScaleRatio(1.333), 1.33);
}

TEST_F(FormScaling, ScaleAndCenterAt800GrowsEverythingByAQuarter) {
    PlacedForm f;
    ScaleAndCenter(&f.form, 1.25, QSize(1024, 768));
    EXPECT_EQ(f.form.size(), QSize(500, 375));
    EXPECT_EQ(f.form.pos(), QPoint((1024 - 500) / 2, (768 - 375) / 2));
    EXPECT_EQ(f.edit->geometry(), QRect(150, 13, 250, 30));
    EXPECT_EQ(f.button->geometry(), QRect(300, 313, 100, 35));
    EXPECT_EQ(f.bevel->geometry(), QRect(13, 300, 475, 3));
    EXPECT_EQ(f.inGroup->geometry(), QRect(10, 25, 150, 25));
    EXPECT_DOUBLE_EQ(f.form.font().pointSizeF(), 12.5);
    EXPECT_DOUBLE_EQ(f.label->font().pointSizeF(), 12.5);
    EXPECT_DOUBLE_EQ(f.inGroup->font().pointSizeF(), 12.5);
    // A component with a font size of its own grows by the same ratio.
    EXPECT_DOUBLE_EQ(f.button->font().pointSizeF(), 17.5);
}

TEST_F(FormScaling, FactorOneOnlyCentresAndALargeFormGoesOffTheTopLeft) {
    PlacedForm f;
    ScaleAndCenter(&f.form, 1.0, QSize(800, 600));
    EXPECT_EQ(f.form.size(), QSize(400, 300));
    EXPECT_EQ(f.form.pos(), QPoint(200, 150));
    EXPECT_DOUBLE_EQ(f.form.font().pointSizeF(), 10);

    PlacedForm g;
    ScaleAndCenter(&g.form, 2.0, QSize(640, 480));
    EXPECT_EQ(g.form.size(), QSize(800, 600));
    EXPECT_EQ(g.form.pos(), QPoint(-80, -60));
}

TEST_F(FormScaling, MoveUpOnlyWhenTheTopIsBelowTen) {
    QWidget form;
    form.move(30, 50);
    MoveUpIfLow(&form);
    EXPECT_EQ(form.pos(), QPoint(30, 40));
    form.move(30, 10);
    MoveUpIfLow(&form);
    EXPECT_EQ(form.pos(), QPoint(30, 10));
}

TEST_F(FormScaling, RestoreAndScaleTwiceDoesNotGrowTwice) {
    PlacedForm f;
    ScriptedPrompter prompter;
    DimensionRecord record;
    ASSERT_TRUE(record.save(&f.form, prompter));
    EXPECT_TRUE(prompter.asked.empty());

    RestoreAndScale(&f.form, record, 1.25, QSize(1024, 768));
    const QSize first = f.form.size();
    const QRect editFirst = f.edit->geometry();
    EXPECT_EQ(first, QSize(500, 375));

    // The user resizes the window before closing it; the next showing starts from design.
    f.form.resize(900, 700);
    f.edit->setGeometry(0, 0, 10, 10);
    RestoreAndScale(&f.form, record, 1.25, QSize(1024, 768));
    EXPECT_EQ(f.form.size(), first);
    EXPECT_EQ(f.edit->geometry(), editFirst);
    EXPECT_DOUBLE_EQ(f.form.font().pointSizeF(), 12.5);
    EXPECT_DOUBLE_EQ(f.button->font().pointSizeF(), 17.5);
    EXPECT_EQ(f.form.pos(), QPoint(262, 196));

    // Back to 640: the design size again.
    RestoreAndScale(&f.form, record, 1.0, QSize(1024, 768));
    EXPECT_EQ(f.form.size(), QSize(400, 300));
    EXPECT_DOUBLE_EQ(f.label->font().pointSizeF(), 10);
    EXPECT_DOUBLE_EQ(f.button->font().pointSizeF(), 14);
}

TEST_F(FormScaling, RestoreAfterFontsWereAppliedKeepsTheUsersFaces) {
    PlacedForm f;
    ScriptedPrompter prompter;
    DimensionRecord record;
    ASSERT_TRUE(record.save(&f.form, prompter));
    for (int showing = 0; showing < 3; ++showing) {
        FontSpec label{QStringLiteral("Courier New"), 30, 0, true, false};
        ApplyFonts(&f.form, label, FontSpec{}, FontSpec{});
        RestoreAndScale(&f.form, record, 1.6, QSize(1280, 1024));
    }
    EXPECT_EQ(f.label->font().family(), QStringLiteral("Courier New"));
    EXPECT_TRUE(f.label->font().bold());
    EXPECT_DOUBLE_EQ(f.label->font().pointSizeF(), 16);
    EXPECT_EQ(f.form.size(), QSize(640, 480));
}

TEST_F(FormScaling, LaidOutFormScalesOnceThroughTheRecord) {
    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    auto *label = new QLabel(QStringLiteral("Heading"), &form);
    auto *list = new QListWidget(&form);
    list->setMinimumSize(100, 80);
    layout->addWidget(label);
    layout->addWidget(list);
    form.resize(300, 200);

    ScriptedPrompter prompter;
    DimensionRecord record;
    ASSERT_TRUE(record.save(&form, prompter));
    const double designPoints = label->font().pointSizeF();
    EXPECT_TRUE(IsLaidOut(label));
    for (int i = 0; i < 2; ++i)
        RestoreAndScale(&form, record, 2.0, QSize(1280, 1024));
    EXPECT_EQ(form.size(), QSize(600, 400));
    EXPECT_EQ(list->minimumSize(), QSize(200, 160));
    EXPECT_EQ(layout->contentsMargins(), QMargins(20, 20, 20, 20));
    EXPECT_EQ(layout->spacing(), 12);
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), designPoints * 2);
}

TEST_F(FormScaling, TooManyComponentsIsReported) {
    QWidget exact;
    for (int i = 0; i < DimensionRecord::kSlots; ++i)
        new QLabel(QString::number(i), &exact);
    ScriptedPrompter quiet;
    DimensionRecord fits;
    EXPECT_TRUE(fits.save(&exact, quiet));
    EXPECT_TRUE(quiet.asked.empty());

    QWidget crowded;
    for (int i = 0; i <= DimensionRecord::kSlots; ++i)
        new QLabel(QString::number(i), &crowded);
    ScriptedPrompter prompter;
    DimensionRecord record;
    EXPECT_FALSE(record.save(&crowded, prompter));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.last().title, QStringLiteral("Error"));
    EXPECT_EQ(prompter.last().text, QStringLiteral("Too many compenents to save dimensions."));
    EXPECT_EQ(prompter.last().buttons, Prompter::Ok);
    EXPECT_EQ(prompter.last().icon, Prompter::Icon::Error);
}

TEST_F(FormScaling, ComponentsAreFoundThroughContainersButNotInsideControls) {
    QWidget form;
    auto *panel = new QFrame(&form);
    auto *inPanel = new QLabel(panel);
    auto *tabs = new QTabWidget(&form);
    auto *page = new QWidget;
    auto *onPage = new QLineEdit(page);
    tabs->addTab(page, QStringLiteral("Page"));
    auto *combo = new QComboBox(&form);
    combo->setEditable(true);
    auto *grid = new QTableWidget(3, 3, &form);
    auto *bevel = new QFrame(&form);
    MarkBevel(bevel);

    const std::vector<QWidget *> found = FormComponents(&form);
    const std::vector<QWidget *> expected{panel, inPanel, tabs, page, onPage, combo, grid, bevel};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(KindOf(panel), ComponentKind::Panel);
    EXPECT_EQ(KindOf(bevel), ComponentKind::Bevel);
    EXPECT_EQ(KindOf(tabs), ComponentKind::Notebook);
    EXPECT_EQ(KindOf(grid), ComponentKind::StringGrid);
    auto *masked = new QLineEdit(&form);
    masked->setInputMask(QStringLiteral("99/99/99"));
    EXPECT_EQ(KindOf(masked), ComponentKind::MaskedEdit);
}

TEST_F(FormScaling, FontsGoByKindAndChangeOnlyNameAndStyle) {
    QWidget form;
    QFont base(QStringLiteral("Arial"));
    base.setPointSize(10);
    form.setFont(base);
    auto *label = new QLabel(&form);
    QFont heading = label->font();
    heading.setPointSize(18);
    label->setFont(heading);
    auto *list = new QListWidget(&form);
    auto *check = new QCheckBox(&form);
    auto *group = new QGroupBox(&form);
    auto *radio = new QRadioButton(group);
    auto *grid = new QTableWidget(&form);
    auto *edit = new QLineEdit(&form);
    auto *masked = new QLineEdit(&form);
    masked->setInputMask(QStringLiteral("99"));
    auto *combo = new QComboBox(&form);
    auto *button = new QPushButton(&form);
    auto *speed = new QToolButton(&form);
    auto *memo = new QPlainTextEdit(&form);

    const FontSpec labelFont{QStringLiteral("Courier New"), 40, 255, true, false, true, true};
    const FontSpec editFont{QStringLiteral("Times New Roman"), 40, 0, false, true};
    const FontSpec buttonFont{QStringLiteral("Liberation Mono"), 40, 0, true, true};
    ApplyFonts(&form, labelFont, editFont, buttonFont);

    auto expectFace = [](QWidget *w, const FontSpec &spec, const char *what) {
        EXPECT_EQ(w->font().family(), spec.name) << what;
        EXPECT_EQ(w->font().bold(), spec.bold) << what;
        EXPECT_EQ(w->font().italic(), spec.italic) << what;
        EXPECT_FALSE(w->font().underline()) << what;
        EXPECT_FALSE(w->font().strikeOut()) << what;
    };
    expectFace(label, labelFont, "label");
    expectFace(list, labelFont, "list");
    expectFace(check, labelFont, "check");
    expectFace(group, labelFont, "group");
    expectFace(radio, labelFont, "radio in group");
    expectFace(grid, editFont, "grid");
    expectFace(edit, editFont, "edit");
    expectFace(masked, editFont, "masked");
    expectFace(combo, editFont, "combo");
    expectFace(button, buttonFont, "button");
    EXPECT_EQ(speed->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(memo->font().family(), QStringLiteral("Arial"));

    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 18);
    EXPECT_DOUBLE_EQ(edit->font().pointSizeF(), 10);
    EXPECT_DOUBLE_EQ(button->font().pointSizeF(), 10);
}
