#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// The five pick lists: values the user typed before for brand, location, place of purchase,
// category and owner, offered again in the record editor and the viewer grid. Suggestions
// only: no record is ever compared with them.
namespace picklists {

// In the order the lists are always loaded and saved.
enum class List { Brand, Location, Bought, Category, Owner };
inline constexpr int kListCount = 5;

struct ListInfo {
    List list;
    const char *fileName;      // in the program directory
    int field;                 // catalogue index of the field it serves
    const char *editorControl; // the record editor's combo box
    const char *gridCombo;     // the main window grid's combo box
    const char *editorName;    // the list editor's title
    int editorLimit;           // characters the list editor's entry box takes
};
[[nodiscard]] const std::array<ListInfo, kListCount> &Lists();
[[nodiscard]] const ListInfo &Info(List list);

// A line is read up to this many characters; the rest of a longer line is skipped.
inline constexpr int kMaxLineLength = 255;

// The entries of a list file: one a line (CR LF, LF or a lone CR ends a line), each line cut
// to kMaxLineLength characters; a line that is empty or only blanks is skipped, any other is
// kept exactly, blanks around it included. 8-bit text in the code page of new tables.
[[nodiscard]] QStringList ParseListFile(QByteArrayView bytes);
// Every entry on its own line ended by CR LF. `lossless` (when given) tells whether every
// character could be written.
[[nodiscard]] QByteArray FormatListFile(const QStringList &entries, bool *lossless = nullptr);

// Reads a list file; a file that is missing or cannot be opened is an empty list. A read that
// fails part way keeps what came before and sets `error` (when given).
[[nodiscard]] QStringList LoadGridList(const QString &path, QString *error = nullptr);

// Why a list file was not written as it stands in memory.
struct SaveProblem {
    List list;
    QString path;
    QString reason;       // empty when the file was written
    bool inexact = false; // written, with '?' for characters the file cannot hold
};
// The message that tells the user about it.
[[nodiscard]] QString ProblemText(const SaveProblem &problem);

// The in-memory lists. Each list has two copies: the record editor's (the master copy, what
// is saved) and the main window grid's. Loading, the list editor's Ok and the record editor's
// update change both; windows that show them listen for changes.
class PickLists {
public:
    explicit PickLists(QString programDirectory = {});

    void setProgramDirectory(const QString &directory) { m_directory = directory; }
    [[nodiscard]] const QString &programDirectory() const { return m_directory; }
    // The file of a list: an existing file of that name in any letter case, else the name as
    // given.
    [[nodiscard]] QString path(List list) const;

    [[nodiscard]] const QStringList &items(List list) const { return m_editor[index(list)]; }
    [[nodiscard]] const QStringList &gridItems(List list) const { return m_grid[index(list)]; }

    // Both copies from the file. Returns a read error to report, if any.
    std::optional<QString> LoadList(List list);
    // LoadList for the five lists in order; the read errors, if any.
    std::vector<QString> LoadAllList();
    // The grid's copy alone from the file, as the main window fills it when first shown.
    std::optional<QString> LoadGridList(List list);

    // Writes the editor's copy to its file beside the old one and renames it into place, so
    // a crash or a full disk keeps the old file whole. A file whose bytes are already what
    // would be written is left alone.
    [[nodiscard]] std::optional<SaveProblem> SaveList(List list) const;
    [[nodiscard]] std::vector<SaveProblem> SaveAllLists() const;

    // Appends the trimmed text to the editor's (or the grid's) copy unless it is empty or
    // an entry equals it exactly; true when it was appended.
    bool AddToList(List list, QStringView text);
    bool AddToListTwwDB(List list, QStringView text);
    // Replaces both copies (the list editor's Ok).
    void UpdateList(List list, const QStringList &entries);

    // Called with the list after either copy changed.
    using Listener = std::function<void(List)>;
    int addListener(Listener listener);
    void removeListener(int id);

private:
    static std::size_t index(List list) { return static_cast<std::size_t>(list); }
    void changed(List list);

    QString m_directory;
    std::array<QStringList, kListCount> m_editor;
    std::array<QStringList, kListCount> m_grid;
    std::map<int, Listener> m_listeners;
    int m_nextListener = 1;
};

} // namespace picklists
