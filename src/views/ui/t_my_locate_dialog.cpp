#include "views/ui/t_my_locate_dialog.h"

#include "core/prompter.h"
#include "db/my_table.h"

#include <QDialog>

#include <algorithm>

TMyLocateDialog::TMyLocateDialog(Prompter &prompter, QWidget *parent)
    : m_prompter(prompter), m_parent(parent) {}

TMyLocateDialog::~TMyLocateDialog() = default;

bool TMyLocateDialog::hasActiveDataSet() const {
    return m_dataSource != nullptr && m_dataSource->isOpen();
}

std::vector<TMyLocateDlg::FieldChoice> TMyLocateDialog::FieldChoices() const {
    std::vector<TMyLocateDlg::FieldChoice> choices;
    if (!hasActiveDataSet())
        return choices;
    const auto &fields = m_dataSource->layout().fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const db::FieldDef &def = fields[i];
        if (!locate::IsLocatableType(def.type))
            continue;
        const QString name =
            QString::fromLatin1(def.name.data(), static_cast<qsizetype>(def.name.size()));
        std::optional<QString> title =
            m_columnTitles ? m_columnTitles(static_cast<int>(i)) : std::optional<QString>(name);
        if (!title && m_fieldSelection == TMyFieldSelection::fsVisibleFields)
            continue;
        choices.push_back({locate::TitleText(title.value_or(name)), name});
    }
    if (m_sortFields == TMyFieldSortType::fsSortByFieldName)
        std::stable_sort(choices.begin(), choices.end(), [](const auto &a, const auto &b) {
            return QString::compare(a.title, b.title, Qt::CaseInsensitive) < 0;
        });
    return choices;
}

std::unique_ptr<TMyLocateDlg> TMyLocateDialog::CreateDialog() {
    if (!hasActiveDataSet()) {
        m_prompter.error(locate::kNoActiveDataSet);
        return nullptr;
    }
    const Presentation presentation = m_presentation ? m_presentation() : Presentation{};
    auto dialog = std::make_unique<TMyLocateDlg>(*m_dataSource, m_prompter, presentation.look,
                                                 presentation.colors, m_parent);
    const bool fieldExists = m_dataSource->fieldIndex(m_searchField) >= 0;
    const std::vector<TMyLocateDlg::FieldChoice> choices = FieldChoices();
    dialog->setFieldChoices(choices);
    dialog->setDefaultToNext(m_defaultButton == TMyDefaultButtonType::dbFindNext);
    if (fieldExists) {
        dialog->setSearchValue(m_searchValue);
        for (const auto &choice : choices)
            if (choice.name.compare(m_searchField, Qt::CaseInsensitive) == 0) {
                dialog->selectTitle(choice.title);
                break;
            }
    }
    dialog->setCaseSensitive(m_caseSensitive);
    dialog->setMatchType(m_matchType);
    dialog->setWindowTitle(m_caption);
    return dialog;
}

bool TMyLocateDialog::Finish(const TMyLocateDlg &dialog) {
    m_matchType = dialog.matchType();
    m_caseSensitive = dialog.caseSensitive();
    SetSearchValue(dialog.searchValue());
    SetSearchField(dialog.selectedFieldName());
    return dialog.closedOnMatch();
}

bool TMyLocateDialog::Show() {
    std::unique_ptr<TMyLocateDlg> dialog = CreateDialog();
    if (!dialog)
        return false;
    if (m_runner)
        (void)m_runner(*dialog);
    else
        (void)dialog->exec();
    return Finish(*dialog);
}

bool TMyLocateDialog::FindNext() {
    if (!hasActiveDataSet()) {
        m_prompter.message(QStringLiteral("Warning"), locate::kNoActiveTable, Prompter::Ok,
                           Prompter::Ok, Prompter::Icon::Warning);
        return false;
    }
    if (m_searchValue.isEmpty()) {
        m_defaultButton = TMyDefaultButtonType::dbFindNext;
        return Show();
    }
    const bool found =
        FindValue(false, *m_dataSource, m_searchField, m_caseSensitive, m_matchType, m_searchValue);
    if (!found && m_showMessages)
        TMyLocateDlg::ShowInformation(m_prompter, locate::kNoMoreMatches);
    return found;
}

bool TMyLocateDialog::FindValue(bool fromFirst, MyTable &table, const QString &fieldName,
                                bool caseSensitive, TMyLocateMatchType matchType,
                                const QString &value) {
    return TMyLocateDlg::FindValue(fromFirst, table, fieldName, caseSensitive, matchType, value,
                                   m_prompter);
}
