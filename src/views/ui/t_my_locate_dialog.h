#pragma once

#include "core/color_set.h"
#include "ui/form_scaling.h"
#include "views/locate.h"
#include "views/ui/t_my_locate_dlg.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class MyTable;
class Prompter;
class QWidget;

// The locate component: owned by the main window for the whole run, it remembers the last
// search (field, value, match type and case) and shows the locate dialog (TMyLocateDlg)
// for the locate command or repeats the search for the locate-next command.
class TMyLocateDialog {
public:
    explicit TMyLocateDialog(Prompter &prompter, QWidget *parent = nullptr);
    ~TMyLocateDialog();
    TMyLocateDialog(const TMyLocateDialog &) = delete;
    TMyLocateDialog &operator=(const TMyLocateDialog &) = delete;

    // Published properties.
    [[nodiscard]] const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption) { m_caption = caption; }
    // The data set searched; active when it is set and open.
    [[nodiscard]] MyTable *DataSource() const { return m_dataSource; }
    void SetDataSource(MyTable *table) { m_dataSource = table; }
    [[nodiscard]] const QString &SearchField() const { return m_searchField; }
    void SetSearchField(const QString &name) { m_searchField = name.left(locate::kMaxSearchText); }
    [[nodiscard]] TMyLocateMatchType MatchType() const { return m_matchType; }
    void SetMatchType(TMyLocateMatchType type) { m_matchType = type; }
    [[nodiscard]] bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool on) { m_caseSensitive = on; }
    [[nodiscard]] TMyFieldSortType SortFields() const { return m_sortFields; }
    void SetSortFields(TMyFieldSortType sort) { m_sortFields = sort; }
    [[nodiscard]] TMyDefaultButtonType DefaultButton() const { return m_defaultButton; }
    void SetDefaultButton(TMyDefaultButtonType button) { m_defaultButton = button; }
    [[nodiscard]] TMyFieldSelection FieldSelection() const { return m_fieldSelection; }
    void SetFieldSelection(TMyFieldSelection selection) { m_fieldSelection = selection; }
    [[nodiscard]] bool ShowMessages() const { return m_showMessages; }
    void SetShowMessages(bool on) { m_showMessages = on; }

    // The remembered search value (empty until a search was typed).
    [[nodiscard]] const QString &SearchValue() const { return m_searchValue; }
    void SetSearchValue(const QString &value) {
        m_searchValue = value.left(locate::kMaxSearchText);
    }

    // The viewer's column title of a field (by field position), nothing when the viewer
    // does not show it. Without it every field counts as shown under its own name.
    using ColumnTitles = std::function<std::optional<QString>(int field)>;
    void SetColumnTitles(ColumnTitles titles) { m_columnTitles = std::move(titles); }
    // How the dialog is shown (fonts, size factor, screen) and painted (the configuration
    // colour set), asked for at each showing since the user may change them.
    struct Presentation {
        FormLook look;
        ColorSet colors;
    };
    void SetPresentation(std::function<Presentation()> presentation) {
        m_presentation = std::move(presentation);
    }
    // Runs the filled dialog modally and returns its result; exec() unless a test drives it.
    using DialogRunner = std::function<int(TMyLocateDlg &)>;
    void SetDialogRunner(DialogRunner runner) { m_runner = std::move(runner); }

    // The locate command: shows the dialog; true when it closed on a match.
    bool Show();
    // The locate-next command: repeats the last search from the record after the current
    // one (or shows the dialog when nothing was searched yet); true on a match.
    bool FindNext();
    // The search itself (see locate::FindValue), with the hourglass while it runs.
    bool FindValue(bool fromFirst, MyTable &table, const QString &fieldName, bool caseSensitive,
                   TMyLocateMatchType matchType, const QString &value);

    // The steps of Show apart, for callers that run the dialog themselves: the dialog
    // filled from the properties (null, after the error, without an active data set), and
    // the reading back of its controls once it has closed.
    [[nodiscard]] std::unique_ptr<TMyLocateDlg> CreateDialog();
    bool Finish(const TMyLocateDlg &dialog);

    // The field list the dialog offers: titles of the locatable fields, sorted by title
    // unless SortFields is fsSortByFieldNo.
    [[nodiscard]] std::vector<TMyLocateDlg::FieldChoice> FieldChoices() const;

private:
    [[nodiscard]] bool hasActiveDataSet() const;

    Prompter &m_prompter;
    QWidget *m_parent;
    QString m_caption = QStringLiteral("Locate Field Value");
    MyTable *m_dataSource = nullptr;
    QString m_searchField;
    TMyLocateMatchType m_matchType = TMyLocateMatchType::mtPartialMatchStart;
    bool m_caseSensitive = false;
    TMyFieldSortType m_sortFields = TMyFieldSortType::fsSortByFieldName;
    TMyDefaultButtonType m_defaultButton = TMyDefaultButtonType::dbFindNext;
    TMyFieldSelection m_fieldSelection = TMyFieldSelection::fsAllFields;
    bool m_showMessages = true;
    QString m_searchValue;

    ColumnTitles m_columnTitles;
    std::function<Presentation()> m_presentation;
    DialogRunner m_runner;
};
