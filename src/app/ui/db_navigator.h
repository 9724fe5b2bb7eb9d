#pragma once

#include <QToolButton>
#include <QWidget>

#include <array>

// A record navigator: ten small buttons with hints that move through and change the data
// set. The window that owns it decides what each button does (it listens to `clicked`).
class DbNavigator : public QWidget {
    Q_OBJECT
public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtonCount = 10;

    explicit DbNavigator(QWidget *parent = nullptr);

    // Browse-only shows first, prior, next and last; otherwise all ten.
    void setBrowseOnly(bool browseOnly);
    [[nodiscard]] bool browseOnly() const { return m_browseOnly; }
    [[nodiscard]] QToolButton *button(Button which) const { return m_buttons[which]; }
    // Post and Cancel only make sense while a record is being changed.
    void setEditing(bool editing);

Q_SIGNALS:
    void clicked(DbNavigator::Button which);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layoutButtons();

    std::array<QToolButton *, kButtonCount> m_buttons{};
    bool m_browseOnly = false;
};
