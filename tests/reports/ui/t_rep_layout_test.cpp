#include "reports/ui/t_rep_layout.h"

#include "report_ui_fixture.h"
#include "reports/line_widths.h"
#include "reports/ui/t_report_part.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>

namespace {

using namespace reportui;

class LayoutEditorTest : public ReportWindowTest {
protected:
    int records() const override { return 1; }

    std::unique_ptr<TRepLayout> open(int chars, bool totals = true) {
        auto layout = std::make_unique<TRepLayout>(m_current, m_settings, m_prompter, chars, totals,
                                                   FormLook{});
        layout->show();
        QCoreApplication::processEvents();
        return layout;
    }
    static void click(QWidget *w, QPoint at) {
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &release);
    }
    // Answers the part dialog: a kind, a width, a label or a field row, then Ok.
    static void answerPart(TRepLayout &layout, const char *kind, const QString &width,
                           int fieldRow = -1, const QString &label = {},
                           std::function<void(TReportPart &)> check = {}) {
        layout.onWindow = [=](QDialog *window) {
            auto *part = qobject_cast<TReportPart *>(window);
            ASSERT_NE(part, nullptr);
            QTimer::singleShot(0, part, [=] {
                if (check)
                    check(*part);
                part->findChild<QRadioButton *>(QLatin1String(kind))->click();
                part->findChild<QLineEdit *>(QStringLiteral("FieldWidth"))->setText(width);
                if (fieldRow >= 0)
                    part->findChild<QListWidget *>(QStringLiteral("FieldList"))
                        ->setCurrentRow(fieldRow);
                if (!label.isNull())
                    part->findChild<QLineEdit *>(QStringLiteral("LabelName"))->setText(label);
                part->findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
                if (part->isVisible())
                    part->reject();
            });
        };
    }
    static std::vector<int> widths(const ReportLine &line) { return LineWidths(line); }
    enum class Ink { Red, Green, Black };
    // Pixels of text of a colour inside a rectangle of the window, as it draws them
    // (smoothed text has its colour only roughly).
    static int inkIn(TRepLayout &layout, QRect box, Ink ink) {
        const QImage image = layout.grab().toImage();
        int n = 0;
        for (int y = box.top() + 2; y < box.bottom() - 1; ++y)
            for (int x = box.left() + 2; x < box.right() - 1; ++x) {
                const QColor c = image.pixelColor(x, y);
                const bool dark = c.lightness() < 100;
                n += ink == Ink::Red     ? c.red() > 150 && c.green() < 110 && c.blue() < 110
                     : ink == Ink::Green ? c.green() > 70 && c.red() < 90 && c.blue() < 90
                                         : dark && c.saturation() < 60;
            }
        return n;
    }

    ReportDefinition m_current = urp::NewReportDefaults();
};

TEST_F(LayoutEditorTest, AnEmptyLineIsOneFillerAndAFieldOf30LeavesTheRestAsFiller) {
    auto layout = open(90);
    EXPECT_EQ(layout->windowTitle(), u"Specify Report Layout");
    EXPECT_EQ(layout->findChild<QLabel *>(QStringLiteral("ReportNameLabel"))->text(), u"Report: ");
    const auto boxes = layout->boxesOf(1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].left, 4);
    EXPECT_EQ(boxes[0].right, 629);
    const QRect row(4, 75, 625, 20);
    EXPECT_GT(inkIn(*layout, row, Ink::Green), 20); // "Filler" in green

    QString caption;
    answerPart(
        *layout, "RadioField", QStringLiteral("30"), field::Item, {}, [&](TReportPart &part) {
            caption = part.findChild<QLabel *>(QStringLiteral("SelPartLabel"))->text();
            EXPECT_TRUE(part.findChild<QRadioButton *>(QStringLiteral("RadioFiller"))->isChecked());
            EXPECT_FALSE(part.findChild<QListWidget *>(QStringLiteral("FieldList"))->isEnabled());
        });
    click(layout.get(), {300, 85});
    EXPECT_EQ(caption, u"Line 1, Item 1");
    const ReportLine &line = layout->workingCopy().bodyLine(1);
    EXPECT_EQ(widths(line), (std::vector<int>{30, 60}));
    EXPECT_EQ(line[0].name, u"Item");
    EXPECT_EQ(line[0].fieldNumber, 1);
    EXPECT_TRUE(line[1].isFiller());
    EXPECT_EQ(m_current.bodyLine(1), EmptyReportLine()); // not before Ok

    // Width 0 takes up the rest of the line; everything after it is gone.
    answerPart(*layout, "RadioLabel", QStringLiteral("0"), -1, QStringLiteral(" Thing: "));
    click(layout.get(), {20, 85});
    EXPECT_EQ(widths(layout->workingCopy().bodyLine(1)), (std::vector<int>{90}));
    EXPECT_EQ(layout->workingCopy().bodyLine(1)[0].label, u"Thing:");

    layout->findChild<QPushButton *>(QStringLiteral("OkButton"))->click();
    EXPECT_EQ(m_current.bodyLine(1), layout->workingCopy().bodyLine(1));
}

TEST_F(LayoutEditorTest, CancelDropsTheWorkingCopy) {
    auto layout = open(90);
    answerPart(*layout, "RadioLabel", QStringLiteral("10"), -1, QStringLiteral("Cost:"));
    click(layout.get(), {300, 85});
    EXPECT_EQ(widths(layout->workingCopy().bodyLine(1)), (std::vector<int>{10, 80}));
    layout->findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
    EXPECT_EQ(m_current.bodyLine(1), EmptyReportLine());
}

TEST_F(LayoutEditorTest, LabelsAreRedOnTheRightFieldsBlackOnTheLeft) {
    m_current.body[0] = EmptyReportLine();
    m_current.body[0][0] = ReportPart::labelPart(QStringLiteral("Cost:"), 45);
    m_current.body[0][1] = ReportPart::field(field::Cost + 1, 45);
    auto layout = open(90);
    if (!qEnvironmentVariableIsEmpty("STOWKEEP_SHOT_DIR"))
        layout->grab().save(qEnvironmentVariable("STOWKEEP_SHOT_DIR") + "/layout-colours.png");
    const auto boxes = layout->boxesOf(1);
    ASSERT_EQ(boxes.size(), 2u);
    const int mid0 = (boxes[0].left + boxes[0].right) / 2;
    const int mid1 = (boxes[1].left + boxes[1].right) / 2;
    EXPECT_EQ(inkIn(*layout, QRect(boxes[0].left, 75, mid0 - boxes[0].left, 20), Ink::Red), 0);
    EXPECT_GT(inkIn(*layout, QRect(mid0, 75, boxes[0].right - mid0, 20), Ink::Red), 10);
    EXPECT_GT(
        inkIn(*layout, QRect(boxes[1].left + 2, 77, mid1 - boxes[1].left - 2, 16), Ink::Black), 10);
    EXPECT_EQ(inkIn(*layout, QRect(mid1, 77, boxes[1].right - mid1 - 2, 16), Ink::Black), 0);
}

TEST_F(LayoutEditorTest, WithoutBodyLinesOnlyTheTotalsRowIsShownAndEdited) {
    m_current = urp::BuiltInDefinitions()[7]; // Statistics/Summary Report: 0 lines
    auto layout = open(120, true);
    EXPECT_FALSE(layout->findChild<QLabel *>(QStringLiteral("BodyLabel"))->isVisible());
    EXPECT_TRUE(layout->findChild<QLabel *>(QStringLiteral("TotalsLabel"))->isVisible());
    int dialogs = 0;
    layout->onWindow = [&](QDialog *w) {
        ++dialogs;
        QTimer::singleShot(0, w, [w] { w->reject(); });
    };
    click(layout.get(), {300, 85});
    EXPECT_EQ(dialogs, 0);

    // The totals line's parts: totals by name.
    QString caption;
    QStringList entries;
    int selected = -2;
    answerPart(*layout, "RadioField", QStringLiteral("12"), 3, {}, [&](TReportPart &part) {
        caption = part.findChild<QLabel *>(QStringLiteral("SelPartLabel"))->text();
        auto *list = part.findChild<QListWidget *>(QStringLiteral("FieldList"));
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        selected = list->currentRow();
    });
    const auto boxes = layout->boxesOf(replayout::kTotalsLine);
    ASSERT_GE(boxes.size(), 3u);
    click(layout.get(), {(boxes[2].left + boxes[2].right) / 2, 365});
    EXPECT_EQ(caption, u"Totals Line, Item 3");
    EXPECT_EQ(entries, QStringList({"Cost", "Value", "Replacement Cost", "Quantity"}));
    EXPECT_EQ(selected, 0); // "Cost"
    EXPECT_EQ(layout->workingCopy().totals[2].name, u"Quantity");
    EXPECT_EQ(layout->workingCopy().totals[2].fieldNumber, 4);

    // Press and release on different parts do nothing.
    dialogs = 0;
    layout->onWindow = [&](QDialog *w) {
        ++dialogs;
        QTimer::singleShot(0, w, [w] { w->reject(); });
    };
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(boxes[0].left + 3, 365),
                      QPointF(boxes[0].left + 3, 365), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(layout.get(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(boxes[2].left + 3, 365),
                        QPointF(boxes[2].left + 3, 365), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(layout.get(), &release);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(LayoutEditorTest, ARenamedFieldShowsItsNewNameButKeepsItsPartName) {
    m_current.body[0] = EmptyReportLine();
    m_current.body[0][0] = ReportPart::field(field::Brand + 1, 90);
    m_settings.fieldNames[field::Brand] = QStringLiteral("Maker");
    auto layout = open(90);
    QString shown;
    int selected = -2;
    answerPart(*layout, "RadioField", QStringLiteral("90"), -1, {}, [&](TReportPart &part) {
        auto *list = part.findChild<QListWidget *>(QStringLiteral("FieldList"));
        selected = list->currentRow();
        shown = list->currentItem()->text();
        EXPECT_FALSE(part.findChild<QLineEdit *>(QStringLiteral("LabelName"))->isEnabled());
    });
    click(layout.get(), {300, 85});
    EXPECT_EQ(selected, field::Brand);
    EXPECT_EQ(shown, u"Maker");
    EXPECT_EQ(replayout::LabelOf(layout->workingCopy().bodyLine(1)[0], false, m_settings).text,
              u"Maker");
    EXPECT_EQ(layout->workingCopy().bodyLine(1)[0].name, u"Brand");
}

TEST_F(LayoutEditorTest, ThePartDialogRefusesABadWidthAndAFieldNotChosen) {
    auto layout = open(90);
    std::vector<QString> texts;
    layout->onWindow = [&](QDialog *window) {
        QTimer::singleShot(0, window, [&, window] {
            auto *width = window->findChild<QLineEdit *>(QStringLiteral("FieldWidth"));
            auto *ok = window->findChild<QPushButton *>(QStringLiteral("OkButton"));
            width->setText(QStringLiteral("1x"));
            ok->click();
            EXPECT_TRUE(window->isVisible());
            texts.push_back(m_prompter.last().text);
            width->setText(QStringLiteral("20"));
            window->findChild<QRadioButton *>(QStringLiteral("RadioField"))->click();
            ok->click();
            EXPECT_TRUE(window->isVisible());
            texts.push_back(m_prompter.last().text);
            window->findChild<QPushButton *>(QStringLiteral("CancelButton"))->click();
        });
    };
    click(layout.get(), {300, 85});
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], u"Invalid width entered.  Please correct.");
    EXPECT_EQ(m_prompter.asked[0].title, u"Error");
    EXPECT_EQ(texts[1], QLatin1String(replayout::kNoFieldSelected));
    EXPECT_EQ(m_prompter.beeps.size(), 2u);
    EXPECT_EQ(layout->workingCopy().bodyLine(1), EmptyReportLine());
}

} // namespace
