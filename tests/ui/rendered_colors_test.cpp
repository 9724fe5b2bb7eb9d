#include "ui/apply_colors.h"

#include "support/qt_app.h"
#include "ui/qt_convert.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <memory>

// What the user sees: each control rendered by the style, read back pixel by pixel. A
// palette the style does not draw with leaves the control in the style's own colours.
namespace {

// A set whose thirteen colours are far apart, so a control painted from the wrong slot or
// left in the style's colours shows.
ColorSet vividSet() {
    ColorSet set;
    auto rgb = [](int r, int g, int b) { return FromQColor(QColor(r, g, b)); };
    set[ColorRole::MainBackground] = rgb(128, 0, 64);
    set[ColorRole::MajorTitle] = rgb(255, 255, 0);
    set[ColorRole::MinorTitle] = rgb(0, 255, 255);
    set[ColorRole::EditBackground] = rgb(0, 0, 160);
    set[ColorRole::EditText] = rgb(255, 160, 0);
    set[ColorRole::ComboBackground] = rgb(0, 128, 0);
    set[ColorRole::ComboText] = rgb(255, 255, 255);
    set[ColorRole::ListBoxBackground] = rgb(96, 0, 160);
    set[ColorRole::ListBoxText] = rgb(160, 255, 160);
    set[ColorRole::RadioBackground] = rgb(0, 0, 0);
    set[ColorRole::RadioText] = rgb(255, 255, 255);
    set[ColorRole::CheckBackground] = rgb(64, 32, 0);
    set[ColorRole::CheckText] = rgb(255, 128, 255);
    return set;
}

int distance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

// The share of the image's pixels that are (near enough) the colour.
double share(const QImage &image, QColor color, int tolerance) {
    int hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            hits += distance(image.pixelColor(x, y), color) <= tolerance ? 1 : 0;
    return static_cast<double>(hits) / (image.width() * image.height());
}

// Text drawn in a colour leaves some pixels of it (glyph stems are not anti-aliased away).
bool holdsText(const QImage &image, QColor color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (distance(image.pixelColor(x, y), color) <= 48)
                return true;
    return false;
}

QImage rendered(QWidget *widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class RenderedColors : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
        EnsureQtApplication();
        m_style.reset(QStyleFactory::create(QString::fromLatin1(GetParam())));
        ASSERT_NE(m_style, nullptr);
    }
    // Every widget of the form draws with the style under test.
    void useStyle(QWidget *form) {
        form->setStyle(m_style.get());
        for (QWidget *child : form->findChildren<QWidget *>())
            child->setStyle(m_style.get());
    }
    std::unique_ptr<QStyle> m_style;
};

} // namespace

TEST_P(RenderedColors, EveryRoleReachesTheControlsOfItsKind) {
    const ColorSet set = vividSet();
    auto c = [&](ColorRole role) { return ToQColor(set[role]); };

    QWidget form;
    auto *layout = new QVBoxLayout(&form);
    auto *major = new QLabel(QStringLiteral("Inventory Viewer"));
    auto *minor = new QLabel(QStringLiteral("Field Names"));
    colors::SetTitle(minor, colors::Title::Minor);
    auto *edit = new QLineEdit(QStringLiteral("Sample Text"));
    auto *combo = new QComboBox;
    combo->addItem(QStringLiteral("Living Room"));
    auto *list = new QListWidget;
    list->addItem(QStringLiteral("Brand"));
    auto *radio = new QRadioButton(QStringLiteral("Left Justify"));
    auto *check = new QCheckBox(QStringLiteral("Show Column Titles"));
    auto *group = new QGroupBox(QStringLiteral("Search Type"));
    auto *groupCheck = new QCheckBox(QStringLiteral("Case-sensitive"), group);
    (new QVBoxLayout(group))->addWidget(groupCheck);
    auto *tabs = new QTabWidget;
    auto *page = new QWidget;
    auto *pageRadio = new QRadioButton(QStringLiteral("Centre"), page);
    auto *pageCheck = new QCheckBox(QStringLiteral("Row Lines"), page);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(pageRadio);
    pageLayout->addWidget(pageCheck);
    pageLayout->addStretch(1);
    tabs->addTab(page, QStringLiteral("Look"));
    for (QWidget *w : std::initializer_list<QWidget *>{major, minor, edit, combo, list, radio,
                                                       check, group, tabs})
        layout->addWidget(w);
    useStyle(&form);
    form.resize(320, 600);
    SetColors(&form, set);
    form.show();
    // Controls grabbed alone draw on their own; the whole form shows what lies behind them.
    (void)rendered(&form);

    struct Case {
        const char *name;
        QWidget *widget;
        ColorRole background;
        ColorRole text;
        double backgroundShare;
        // The styles shade a drop-down's face from its colour.
        int tolerance = 24;
    };
    const Case cases[] = {
        {"major label", major, ColorRole::MainBackground, ColorRole::MajorTitle, 0.5},
        {"minor label", minor, ColorRole::MainBackground, ColorRole::MinorTitle, 0.5},
        {"edit box", edit, ColorRole::EditBackground, ColorRole::EditText, 0.5},
        {"drop-down", combo, ColorRole::ComboBackground, ColorRole::ComboText, 0.3, 130},
        {"list box", list->viewport(), ColorRole::ListBoxBackground, ColorRole::ListBoxText, 0.5},
        {"radio button", radio, ColorRole::RadioBackground, ColorRole::RadioText, 0.5},
        {"check box", check, ColorRole::CheckBackground, ColorRole::CheckText, 0.5},
        {"check box in a group", groupCheck, ColorRole::CheckBackground, ColorRole::CheckText, 0.5},
        {"radio button on a page", pageRadio, ColorRole::RadioBackground, ColorRole::RadioText,
         0.5},
        {"check box on a page", pageCheck, ColorRole::CheckBackground, ColorRole::CheckText, 0.5},
    };
    for (const Case &k : cases) {
        const QImage image = rendered(k.widget);
        EXPECT_GE(share(image, c(k.background), k.tolerance), k.backgroundShare)
            << k.name << ": background "
            << image.pixelColor(image.width() - 3, image.height() / 2).name().toStdString();
        EXPECT_TRUE(holdsText(image, c(k.text))) << k.name << ": text";
    }
    // A notebook page is a panel: the window background, not the style's white. The page
    // is read from the notebook as drawn, pane and all.
    const QImage pageImage =
        rendered(tabs).copy(QRect(page->mapTo(tabs, QPoint(0, 0)), page->size()));
    EXPECT_GE(share(pageImage, c(ColorRole::MainBackground), 24), 0.5)
        << "notebook page: "
        << pageImage.pixelColor(pageImage.width() - 3, pageImage.height() - 3).name().toStdString();
    const QImage groupImage = rendered(group);
    EXPECT_TRUE(holdsText(groupImage, c(ColorRole::MinorTitle))) << "group box caption";
    const QImage formImage = rendered(&form);
    EXPECT_GE(share(formImage, c(ColorRole::MainBackground), 24), 0.2) << "window background";
}

INSTANTIATE_TEST_SUITE_P(Styles, RenderedColors, ::testing::Values("Fusion", "Windows"),
                         [](const auto &style) { return std::string(style.param); });
