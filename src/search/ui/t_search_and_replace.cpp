#include "search/ui/t_search_and_replace.h"

#include "core/field_catalogue.h"
#include "core/prompter.h"
#include "edit/ui/mask_binding.h"
#include "settings/settings.h"
#include "ui/apply_colors.h"
#include "ui/masked_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <cmath>

namespace {

// Design positions of the counters on the dialog: x of processed, found, changed, and y.
constexpr int kCounterX[3] = {70, 190, 310};
constexpr int kCounterY = 225;

// The frame around the counters draws them itself, at their places on the dialog, so they
// are there again whenever the dialog is painted.
class CounterFrame : public QFrame {
public:
    CounterFrame(QWidget *dialog, std::function<QString(int)> text,
                 std::function<QPoint(int)> place)
        : QFrame(dialog), m_text(std::move(text)), m_place(std::move(place)) {}

protected:
    void paintEvent(QPaintEvent *event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics metrics(font());
        for (int i = 0; i < 3; ++i) {
            const QPoint at = m_place(i) - pos();
            painter.drawText(at.x(), at.y() + metrics.ascent(), m_text(i));
        }
    }

private:
    std::function<QString(int)> m_text;
    std::function<QPoint(int)> m_place;
};

} // namespace

TSearchAndReplace::TSearchAndReplace(MyTable &table, MainHooks &hooks, Settings &settings,
                                     Prompter &prompter, FormLook look, QWidget *parent)
    : QDialog(parent), m_table(table), m_hooks(hooks), m_settings(settings), m_prompter(prompter),
      m_look(std::move(look)) {
    setObjectName(QStringLiteral("SearchAndReplace"));
    setWindowTitle(QStringLiteral("Search and Replace"));
    QFont designFont(QStringLiteral("Arial"));
    designFont.setPointSize(8);
    setFont(designFont);

    const auto label = [this](const char *name, const char *text, int x, int y, int w) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(x, y, w, 18);
        return l;
    };
    QLabel *fieldLabel = label("FieldLabel", "Field ", 16, 16, 120);
    m_fieldBox = new QComboBox(this);
    m_fieldBox->setObjectName(QStringLiteral("FieldBox"));
    m_fieldBox->setMaxVisibleItems(15);
    m_fieldBox->setGeometry(150, 14, 230, 22);
    fieldLabel->setBuddy(m_fieldBox);
    connect(m_fieldBox, &QComboBox::activated, this, &TSearchAndReplace::FieldBoxChange);

    QLabel *searchLabel = label("SearchLabel", "Text To Search For", 16, 50, 130);
    m_searchText = new MaskedEdit(this);
    m_searchText->setObjectName(QStringLiteral("SearchText"));
    m_searchText->setGeometry(150, 48, 230, 22);
    searchLabel->setBuddy(m_searchText);
    QLabel *replaceLabel = label("ReplaceLabel", "Replacement Text", 16, 84, 130);
    m_replaceText = new MaskedEdit(this);
    m_replaceText->setObjectName(QStringLiteral("ReplaceText"));
    m_replaceText->setGeometry(150, 82, 230, 22);
    replaceLabel->setBuddy(m_replaceText);

    m_confirmBox = new QCheckBox(QStringLiteral("Confirm Before Replacing"), this);
    m_confirmBox->setObjectName(QStringLiteral("ConfirmBox"));
    m_confirmBox->setGeometry(150, 114, 230, 20);

    m_startButton = new QPushButton(QStringLiteral("&Start Search"), this);
    m_startButton->setObjectName(QStringLiteral("StartButton"));
    m_startButton->setGeometry(100, 146, 100, 27);
    connect(m_startButton, &QPushButton::clicked, this, &TSearchAndReplace::StartButtonClick);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_cancelButton->setGeometry(220, 146, 100, 27);
    connect(m_cancelButton, &QPushButton::clicked, this, &TSearchAndReplace::CancelButtonClick);

    m_counterFrame = new CounterFrame(
        this,
        [this](int i) {
            const std::int64_t v = i == 0   ? m_counters.processed
                                   : i == 1 ? m_counters.found
                                            : m_counters.changed;
            return QString::number(v);
        },
        [this](int i) { return counterPosition(i); });
    m_counterFrame->setObjectName(QStringLiteral("CounterFrame"));
    m_counterFrame->setFrameShape(QFrame::Box);
    m_counterFrame->setFrameShadow(QFrame::Sunken);
    m_counterFrame->setGeometry(16, 188, 364, 62);
    // The labels sit on the frame, above their counters.
    const auto counterLabel = [this](const char *name, const char *text, int x) {
        auto *l = new QLabel(QString::fromUtf8(text), m_counterFrame);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(x - 16 - 20, 8, 100, 18);
        return l;
    };
    counterLabel("ProcessedLabel", "Processed", kCounterX[0]);
    counterLabel("FoundLabel", "Found", kCounterX[1]);
    counterLabel("ChangedLabel", "Changed", kCounterX[2]);
    resize(396, 264);
}

QPoint TSearchAndReplace::counterPosition(int which) const {
    const double f = m_look.factor;
    return {static_cast<int>(std::lround(kCounterX[which] * f)),
            static_cast<int>(std::lround(kCounterY * f))};
}

void TSearchAndReplace::showEvent(QShowEvent *event) {
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
    QDialog::showEvent(event);
}

void TSearchAndReplace::FormShow() {
    ShowScaled(this, m_look);
    SetColors(this, m_settings.colorSet(ColorTarget::Search));
    m_fieldBox->clear();
    for (const QString &name : m_settings.fieldNames)
        m_fieldBox->addItem(name);
    m_fieldBox->setCurrentIndex(-1);
}

void TSearchAndReplace::FieldBoxChange(int index) {
    m_fieldNumber = index + 1;
    const CatalogueField *f = catalogueField(m_fieldNumber);
    for (MaskedEdit *edit : {m_searchText, m_replaceText}) {
        edit->setConversion({});
        edit->setInputMask(QString());
        edit->clear();
        if (!f)
            continue;
        if (f->kind == 'D') {
            SetEditMask(edit, u"99/99/0000;1");
        } else if (f->kind == 'N') {
            SetEditMask(edit, u"ccccccccc;1");
        } else {
            edit->setMaxLength(f->entryLength);
        }
    }
}

void TSearchAndReplace::StartButtonClick() {
    const auto text = [](MaskedEdit *edit) {
        return edit->hasConversion() ? edit->maskText() : edit->text();
    };
    const auto checked = replace::CheckInput(
        {m_fieldNumber, text(m_searchText), text(m_replaceText), m_confirmBox->isChecked()});
    if (const auto *problem = std::get_if<replace::InputProblem>(&checked)) {
        m_prompter.error(problem->message);
        switch (problem->focus) {
        case replace::Focus::FieldBox:
            m_fieldBox->setFocus();
            break;
        case replace::Focus::SearchText:
            m_searchText->setFocus();
            break;
        case replace::Focus::ReplaceText:
            m_replaceText->setFocus();
            break;
        }
        return;
    }
    m_counters = {};
    showCounters();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_sinceShown.start();
    m_startButton->setEnabled(false);
    m_cancelButton->setEnabled(false);
    struct Restore {
        TSearchAndReplace *d;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            d->m_startButton->setEnabled(true);
            d->m_cancelButton->setEnabled(true);
        }
    } restore{this};
    m_outcome = replace::Run(m_table, m_hooks, m_prompter,
                             std::get<replace::CheckedRequest>(checked), *this, m_counters);
    showCounters();
    if (*m_outcome == replace::Outcome::Done)
        accept();
}

void TSearchAndReplace::CancelButtonClick() {
    reject();
}

void TSearchAndReplace::showCounters() {
    m_counterFrame->update();
}

void TSearchAndReplace::progress(const replace::Counters &) {
    // Drawn at once, but no more often than the eye can follow, so a sweep over a million
    // records is not slowed down by painting.
    if (m_sinceShown.isValid() && m_sinceShown.elapsed() < 40)
        return;
    m_sinceShown.restart();
    showCounters();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TSearchAndReplace::confirm(const QString &question) {
    m_counterFrame->repaint();
    QApplication::restoreOverrideCursor();
    const bool yes =
        m_prompter.message(QStringLiteral("Confirm"), question, Prompter::Yes | Prompter::No,
                           Prompter::Yes, Prompter::Icon::Question) == Prompter::Yes;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return yes;
}
