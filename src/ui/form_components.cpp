#include "ui/form_components.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

namespace {

const char *const kBevelProperty = "stowkeepBevel";

bool layoutHolds(const QLayout *layout, const QWidget *widget) {
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (!item)
            continue;
        if (item->widget() == widget)
            return true;
        if (const QLayout *inner = item->layout(); inner && layoutHolds(inner, widget))
            return true;
    }
    return false;
}

// Containers whose children are components of the window too.
bool descends(const QWidget *widget, ComponentKind kind) {
    switch (kind) {
    case ComponentKind::Panel:
    case ComponentKind::GroupBox:
        return true;
    case ComponentKind::Other:
        return !(qobject_cast<const QMenuBar *>(widget) || qobject_cast<const QTabBar *>(widget) ||
                 qobject_cast<const QProgressBar *>(widget) ||
                 qobject_cast<const QStatusBar *>(widget) ||
                 qobject_cast<const QAbstractSlider *>(widget) ||
                 qobject_cast<const QAbstractScrollArea *>(widget) ||
                 qobject_cast<const QAbstractSpinBox *>(widget));
    default:
        return false;
    }
}

void collect(QWidget *parent, std::vector<QWidget *> &out);

void visit(QWidget *widget, std::vector<QWidget *> &out) {
    if (widget->isWindow())
        return;
    const ComponentKind kind = KindOf(widget);
    // Qt's own helpers inside a container (a tab widget's page stack) are not components,
    // but what they hold is.
    const bool internal = widget->objectName().startsWith(QLatin1String("qt_"));
    if (!internal)
        out.push_back(widget);
    if (kind == ComponentKind::Notebook) {
        auto *tabs = static_cast<QTabWidget *>(widget);
        for (int i = 0; i < tabs->count(); ++i) {
            if (QWidget *page = tabs->widget(i)) {
                out.push_back(page);
                collect(page, out);
            }
        }
        return;
    }
    if (internal || descends(widget, kind))
        collect(widget, out);
}

void collect(QWidget *parent, std::vector<QWidget *> &out) {
    for (QObject *child : parent->children()) {
        if (child->isWidgetType())
            visit(static_cast<QWidget *>(child), out);
    }
}

} // namespace

ComponentKind KindOf(const QWidget *widget) {
    if (qobject_cast<const QCheckBox *>(widget))
        return ComponentKind::CheckBox;
    if (qobject_cast<const QRadioButton *>(widget))
        return ComponentKind::RadioButton;
    if (qobject_cast<const QToolButton *>(widget))
        return ComponentKind::SpeedButton;
    if (qobject_cast<const QAbstractButton *>(widget))
        return ComponentKind::Button;
    if (qobject_cast<const QLabel *>(widget))
        return ComponentKind::Label;
    if (qobject_cast<const QComboBox *>(widget))
        return ComponentKind::ComboBox;
    if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->inputMask().isEmpty() ? ComponentKind::Edit : ComponentKind::MaskedEdit;
    if (qobject_cast<const QAbstractSpinBox *>(widget))
        return ComponentKind::Edit;
    if (qobject_cast<const QTableView *>(widget))
        return ComponentKind::StringGrid;
    if (qobject_cast<const QAbstractItemView *>(widget))
        return ComponentKind::ListBox;
    if (qobject_cast<const QTextEdit *>(widget) || qobject_cast<const QPlainTextEdit *>(widget))
        return ComponentKind::Memo;
    if (qobject_cast<const QGroupBox *>(widget))
        return ComponentKind::GroupBox;
    if (qobject_cast<const QTabWidget *>(widget))
        return ComponentKind::Notebook;
    if (widget->metaObject() == &QFrame::staticMetaObject) {
        const auto *frame = static_cast<const QFrame *>(widget);
        if (frame->property(kBevelProperty).toBool() || frame->frameShape() == QFrame::HLine ||
            frame->frameShape() == QFrame::VLine)
            return ComponentKind::Bevel;
        return ComponentKind::Panel;
    }
    return ComponentKind::Other;
}

std::vector<QWidget *> FormComponents(QWidget *form) {
    std::vector<QWidget *> out;
    if (form)
        collect(form, out);
    return out;
}

void MarkBevel(QWidget *frame) {
    frame->setProperty(kBevelProperty, true);
}

bool IsLaidOut(const QWidget *widget) {
    const QWidget *parent = widget->parentWidget();
    if (!parent || !parent->layout())
        return false;
    return layoutHolds(parent->layout(), widget);
}
