#include "interchange/ui/t_my_import.h"

#include "core/prompter.h"
#include "db/engine/db_error.h"
#include "db/my_table.h"
#include "interchange/import_record.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>

namespace {

// Design geometry at the window-size factor 1.
constexpr int kGridLeft = 10;
constexpr int kGridTop = 10;
constexpr int kGridHeight = 360;
constexpr int kColumnWidths[3] = {179, 179, 38};
constexpr int kRowHeight = 18;
constexpr int kButtonLeft = 440;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 27;
constexpr int kCountX = 540;
constexpr int kCountY = 96;

int Scaled(int value, double factor) {
    return static_cast<int>(std::lround(value * factor));
}

} // namespace

TMyImport::TMyImport(MyTable &table, Settings &settings, Prompter &prompter, FormLook look,
                     Kind kind, QString path, const QStringList &importNames, QWidget *parent)
    : QDialog(parent), m_table(table), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)), m_kind(kind), m_path(std::move(path)), m_matching(importNames) {
    setObjectName(QStringLiteral("MyImport"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("ImportGrid"));
    m_grid->setColumnCount(3);
    m_grid->setHorizontalHeaderLabels({QStringLiteral("STOWKEEP FIELDS"),
                                       QStringLiteral("IMPORT FIELDS"), QStringLiteral("USE")});
    m_grid->verticalHeader()->setVisible(false);
    m_grid->verticalHeader()->setMinimumSectionSize(1);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setGeometry(kGridLeft, kGridTop, 400 + 20, kGridHeight);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, &TMyImport::ImportGridDblClick);

    const auto button = [this](const char *name, const char *text, int top,
                               void (TMyImport::*click)()) {
        auto *b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(kButtonLeft, top, kButtonWidth, kButtonHeight);
        connect(b, &QPushButton::clicked, this, click);
        return b;
    };
    m_upButton = button("UpButton", "&Up", 150, &TMyImport::UpButtonClick);
    m_downButton = button("DownButton", "&Down", 184, &TMyImport::DownButtonClick);
    m_startButton = button("StartButton", "&Start Import", 240, &TMyImport::StartButtonClick);
    m_exitButton = button("ExitButton", "E&xit", 274, &QDialog::reject);
    m_helpButton = button("HelpButton", "&Help", 308, &TMyImport::HelpButtonClick);

    m_skipFirst = new QCheckBox(QStringLiteral("Skip First Record"), this);
    m_skipFirst->setObjectName(QStringLiteral("SkipFirst"));
    m_skipFirst->setGeometry(kButtonLeft, 346, 150, 20);
    m_skipFirst->setChecked(m_settings.importSkipFirst);
    connect(m_skipFirst, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.importSkipFirst = on; });

    const auto label = [this](const char *name, const char *text, int top) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(kCountX, top, 80, 16);
        colors::SetTitle(l, colors::Title::Minor);
        return l;
    };
    m_importLabel = label("ImportLabel", "Import", 60);
    m_countLabel = label("CountLabel", "Count", 76);
    m_countText = new QLabel(this);
    m_countText->setObjectName(QStringLiteral("CountText"));
    m_countText->setGeometry(kCountX, kCountY, 90, 18);

    resize(650, kGridTop + kGridHeight + 12);
    fillGrid();
}

void TMyImport::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TMyImport::FormShow() {
    ShowScaled(this, m_look, true);
    const bool text = m_kind == Kind::Text;
    setWindowTitle(text ? QStringLiteral("Ascii Delimited Text Import")
                        : QStringLiteral("DBase File Import"));
    if (!text) {
        m_skipFirst->hide();
        m_skipFirst->setEnabled(false);
    }
    const double f = m_look.factor;
    for (int c = 0; c < 3; ++c)
        m_grid->setColumnWidth(c, Scaled(kColumnWidths[c], f));
    m_grid->resize(Scaled(400, f) + 20, m_grid->height());
    m_grid->verticalHeader()->setDefaultSectionSize(Scaled(kRowHeight, f));
    SetColors(this, m_settings.colorSet(ColorTarget::Configure));
    m_countText->move(countPosition());
}

void TMyImport::fillGrid() {
    const int rows = m_matching.rowCount();
    m_grid->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        const QString name =
            r < kFieldCount ? m_settings.fieldNames[static_cast<std::size_t>(r)] : QString();
        const QString cells[3] = {name, m_matching.importField(r), m_matching.use(r)};
        for (int c = 0; c < 3; ++c) {
            QTableWidgetItem *item = m_grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_grid->setItem(r, c, item);
            }
            item->setText(cells[c]);
        }
    }
}

void TMyImport::moveSelection(int row) {
    fillGrid();
    m_grid->setCurrentCell(row, std::max(0, m_grid->currentColumn()));
}

void TMyImport::UpButtonClick() {
    const int row = m_grid->currentRow();
    if (m_matching.moveUp(row))
        moveSelection(row - 1);
}

void TMyImport::DownButtonClick() {
    const int row = m_grid->currentRow();
    if (m_matching.moveDown(row))
        moveSelection(row + 1);
}

void TMyImport::ImportGridDblClick(int row, int column) {
    if (column != 2)
        return;
    m_matching.toggleUse(row);
    fillGrid();
}

void TMyImport::HelpButtonClick() {
    m_prompter.showHelp(QStringLiteral("Import Window"));
}

QPoint TMyImport::countPosition() const {
    return {Scaled(kCountX, m_look.factor), Scaled(kCountY, m_look.factor)};
}

void TMyImport::showCount(qint64 count) {
    m_count = count;
    m_countText->setText(QString::number(count));
    m_countText->repaint();
}

void TMyImport::progress(qint64 count) {
    // No more often than the eye can follow, so painting does not slow a large import.
    if (m_sinceDrawn.isValid() && m_sinceDrawn.elapsed() < 40)
        return;
    m_sinceDrawn.restart();
    showCount(count);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMyImport::StartButtonClick() {
    const std::vector<int> map = m_matching.fieldMap();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qint64 last = 0;
    const importing::Progress progress = [this, &last](std::int64_t count) {
        last = count;
        this->progress(count);
    };
    QString failure;
    try {
        m_sinceDrawn.start();
        m_outcome =
            m_kind == Kind::Text
                ? importing::ImportText(m_table, m_path, map, m_settings.importSkipFirst, progress)
                : importing::ImportDbf(m_table, m_path, map, progress);
    } catch (const importing::ImportError &e) {
        failure = e.text();
    } catch (const db::DbError &e) {
        failure = QString::fromStdString(e.what());
    }
    QApplication::restoreOverrideCursor();
    showCount(m_outcome ? m_outcome->count : last);
    if (!failure.isEmpty()) {
        m_prompter.error(failure);
        return;
    }
    for (const QString &note : importing::ImportNotes(*m_outcome))
        m_prompter.message(QStringLiteral("Warning"), note, Prompter::Ok, Prompter::Ok,
                           Prompter::Icon::Warning);
    m_prompter.message(QStringLiteral("Ok"), importing::kImportComplete, Prompter::Ok, Prompter::Ok,
                       Prompter::Icon::Information);
    accept();
}
