#include "app/ui/viewer_model.h"
#include "core/field_catalogue.h"
#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

namespace {

// A data set of any size that makes its rows up on request and counts what it was asked.
class FakeSource : public ViewerSource {
public:
    explicit FakeSource(int rows) : m_rows(rows) {}
    int rowCount() const override { return m_rows; }
    std::vector<Row> fetch(int first, int count) override {
        ++fetchCalls;
        std::vector<Row> rows;
        for (int r = first; r < std::min(m_rows, first + count); ++r) {
            Row row;
            row[field::Item] = QStringLiteral("Item %1").arg(r);
            row[field::Warranty] = r % 2 ? QStringLiteral("Yes") : QStringLiteral("No");
            row[field::Cost] = QStringLiteral("%1.50").arg(r);
            rows.push_back(row);
            maxRowAsked = std::max(maxRowAsked, r);
        }
        return rows;
    }
    void moveTo(int row) override { m_current = row; }
    int currentRow() const override { return m_current; }
    QString setFieldText(int row, int fieldIndex, const QString &text) override {
        if (text == QLatin1String("refuse"))
            return QStringLiteral("not a valid value");
        lastWrite = {row, fieldIndex, text};
        return {};
    }

    struct Write {
        int row = -1, field = -1;
        QString text;
    } lastWrite;
    int fetchCalls = 0;
    int maxRowAsked = -1;

private:
    int m_rows;
    int m_current = 0;
};

std::vector<ViewerModel::Column> Columns() {
    return {{field::Item, QStringLiteral("Item"), 20},
            {field::Cost, QStringLiteral("Cost"), 10},
            {field::Warranty, QStringLiteral("Warranty"), 5}};
}

} // namespace

TEST(ViewerModel, AMillionRowsAreReadOnlyWhereShown) {
    EnsureQtApplication();
    FakeSource source(1'000'000);
    ViewerModel model;
    model.setColumns(Columns());
    model.setSource(&source);
    ASSERT_EQ(model.rowCount(), 1'000'000);

    QTableView view;
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.setModel(&model);
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    EXPECT_EQ(model.index(0, 0).data().toString(), "Item 0");

    view.scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(model.index(999'999, 0).data().toString(), "Item 999999");
    view.verticalScrollBar()->setValue(500'000);
    QApplication::processEvents();
    EXPECT_EQ(model.index(500'010, 0).data().toString(), "Item 500010");

    // Only a few blocks around what was shown were read, and the cache stays bounded.
    EXPECT_LE(model.rowsFetched(), 20 * ViewerModel::kBlockRows);
    EXPECT_LE(model.cachedBlocks(), ViewerModel::kMaxBlocks);
    for (int r = 0; r < 1'000'000; r += 10'000)
        (void)model.index(r, 0).data();
    EXPECT_LE(model.cachedBlocks(), ViewerModel::kMaxBlocks);
}

TEST(ViewerModel, WarrantyIsACheckBoxAndOtherFieldsText) {
    FakeSource source(10);
    ViewerModel model;
    model.setColumns(Columns());
    model.setSource(&source);
    EXPECT_EQ(model.index(1, 2).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_EQ(model.index(2, 2).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    EXPECT_FALSE(model.index(1, 2).data(Qt::DisplayRole).isValid());
    EXPECT_FALSE(model.index(1, 0).data(Qt::CheckStateRole).isValid());
    EXPECT_TRUE(model.index(1, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Cost");
    EXPECT_EQ(model.fieldOfColumn(2), field::Warranty);
    EXPECT_EQ(model.columnOfField(field::Brand), -1);
}

TEST(ViewerModel, EditingOnlyWhenAllowedAndRefusalsReported) {
    FakeSource source(10);
    ViewerModel model;
    model.setColumns(Columns());
    model.setSource(&source);

    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), "Lamp", Qt::EditRole));
    EXPECT_EQ(source.lastWrite.row, -1);

    model.setEditable(true);
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(model.index(0, 2)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable);

    EXPECT_TRUE(model.setData(model.index(3, 0), "Lamp", Qt::EditRole));
    EXPECT_EQ(source.lastWrite.row, 3);
    EXPECT_EQ(source.lastWrite.field, field::Item);
    EXPECT_EQ(source.lastWrite.text, "Lamp");

    EXPECT_TRUE(model.setData(model.index(4, 2), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(source.lastWrite.text, "Yes");
    EXPECT_TRUE(model.setData(model.index(5, 2), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(source.lastWrite.text, "No");

    QString refusal;
    QObject::connect(&model, &ViewerModel::editRefused, &model,
                     [&refusal](const QString &reason) { refusal = reason; });
    EXPECT_FALSE(model.setData(model.index(6, 0), "refuse", Qt::EditRole));
    EXPECT_EQ(refusal, "not a valid value");
}

TEST(ViewerModel, ReloadReadsAgainAndIndicatorMarksOneRow) {
    FakeSource source(300);
    ViewerModel model;
    model.setColumns(Columns());
    model.setSource(&source);
    (void)model.index(0, 0).data();
    const int calls = source.fetchCalls;
    (void)model.index(5, 0).data();
    EXPECT_EQ(source.fetchCalls, calls); // same block, from the cache
    model.reload();
    (void)model.index(5, 0).data();
    EXPECT_EQ(source.fetchCalls, calls + 1);

    model.setIndicatorRow(7);
    EXPECT_FALSE(model.headerData(7, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
    EXPECT_TRUE(model.headerData(6, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());

    model.setSource(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 0).isValid());
}
