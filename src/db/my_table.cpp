#include "db/my_table.h"

#include "db/engine/codepage.h"
#include "db/engine/db_error.h"
#include "settings/date_format.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr std::int64_t kPointStep = 256;

QString decodeWith(const db::CodePage &page, std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        const char32_t u = page.decode(static_cast<unsigned char>(c));
        if (u < 0x10000)
            out.append(QChar(static_cast<char16_t>(u)));
        else
            out.append(QString::fromUcs4(&u, 1));
    }
    return out;
}

bool encodeWith(const db::CodePage &page, QStringView text, std::string &out, QChar &bad) {
    const QByteArray utf8 = text.toUtf8();
    db::EncodeResult r = page.fromUtf8(std::string_view(utf8.constData(), utf8.size()));
    if (!r.ok) {
        const char32_t c = r.badChar;
        bad = c < 0x10000 ? QChar(static_cast<char16_t>(c)) : QChar(QChar::ReplacementCharacter);
        return false;
    }
    out = std::move(r.bytes);
    return true;
}

[[noreturn]] void fail(const QString &text) {
    throw db::DbError(text.toStdString());
}

} // namespace

// One order over the table's records, deleted and filtered ones included: physical record
// numbers, or the entries of an index tag.
class OrderWalker {
public:
    OrderWalker(dataset::TableBackend &backend, std::unique_ptr<dataset::IndexCursor> cursor)
        : m_backend(backend), m_cursor(std::move(cursor)) {}

    bool first() {
        if (m_cursor)
            return m_cursor->first();
        m_recno = m_backend.recordCount() > 0 ? 1 : 0;
        return m_recno != 0;
    }
    bool last() {
        if (m_cursor)
            return m_cursor->last();
        m_recno = m_backend.recordCount();
        return m_recno != 0;
    }
    bool next() {
        if (m_cursor)
            return m_cursor->next();
        if (m_recno == 0 || m_recno >= m_backend.recordCount())
            return false;
        ++m_recno;
        return true;
    }
    bool prior() {
        if (m_cursor)
            return m_cursor->prior();
        if (m_recno <= 1)
            return false;
        --m_recno;
        return true;
    }
    [[nodiscard]] std::uint32_t recno() const { return m_cursor ? m_cursor->recno() : m_recno; }
    // Entries of the index order, from the index alone; nullopt in physical order.
    [[nodiscard]] std::optional<std::uint64_t> keyCount() {
        return m_cursor ? m_cursor->keyCount() : std::nullopt;
    }
    bool seek(std::uint32_t recno) {
        if (recno == 0 || recno > m_backend.recordCount())
            return false;
        if (m_cursor)
            return m_cursor->seekRecord(recno, m_backend.record(recno));
        m_recno = recno;
        return true;
    }

private:
    dataset::TableBackend &m_backend;
    std::unique_ptr<dataset::IndexCursor> m_cursor;
    std::uint32_t m_recno = 0;
};

MyTable::MyTable() = default;

MyTable::~MyTable() = default;

void MyTable::requireOpen() const {
    if (!m_backend)
        fail(QStringLiteral("The table is not open."));
}

void MyTable::requireEditing() const {
    if (m_state != State::Edit && m_state != State::Insert)
        fail(QStringLiteral("The table %1 is not in edit or insert mode.").arg(m_path));
}

void MyTable::open(const QString &databaseName, const QString &tableName, OpenMode mode) {
    QString name = tableName;
    if (!QFileInfo(name).fileName().contains(u'.'))
        name += QStringLiteral(".DBF");
    open(QDir(databaseName).filePath(name), mode);
}

void MyTable::open(const QString &path, OpenMode mode) {
    close();
    const QString full = QFileInfo(path).absoluteFilePath();
    std::unique_ptr<dataset::TableBackend> backend =
        dataset::openEngineTable(full.toStdString(), mode);
    const db::CodePage &page = db::CodePage::get(backend->codePage());
    auto layout = std::make_shared<RecordLayout>(
        backend->fields(), backend->recordLength(),
        [&page](std::string_view bytes) { return decodeWith(page, bytes); },
        [&page](QStringView text, std::string &out, QChar &bad) {
            return encodeWith(page, text, out, bad);
        },
        QStringLiteral("code page %1").arg(page.number()));

    std::unique_ptr<dataset::IndexCursor> cursor;
    if (!m_indexName.isEmpty()) {
        try {
            cursor = backend->openCursor(m_indexName.toStdString());
        } catch (const db::DbError &) {
            // An index chosen for a file that does not hold it: physical order, as with none.
            m_indexName.clear();
        }
    }
    m_backend = std::move(backend);
    m_keysOfDeleted = false;
    m_keysOfMissing = false;
    m_layout = std::move(layout);
    m_path = full;
    m_mode = mode;
    m_state = State::Browse;
    m_walker = std::make_unique<OrderWalker>(*m_backend, std::move(cursor));
    notify(Event::Opened);
    reset();
}

void MyTable::close() {
    if (!m_backend)
        return;
    m_pendingText.clear();
    m_editBuffer.clear();
    m_walker.reset();
    m_backend.reset();
    m_state = State::Inactive;
    dropMatches();
    setCurrentNone();
    invalidatePositions();
    notify(Event::Closed);
}

int MyTable::fieldIndex(const QString &name) const {
    return m_layout ? m_layout->indexOf(name) : -1;
}

QStringList MyTable::tagNames() const {
    QStringList names;
    if (m_backend)
        for (const std::string &n : m_backend->tagNames())
            names << QString::fromStdString(n);
    return names;
}

void MyTable::setIndexName(const QString &tag) {
    if (!m_backend) {
        m_indexName = tag;
        return;
    }
    if (m_state != State::Browse)
        cancel();
    std::unique_ptr<dataset::IndexCursor> cursor;
    if (!tag.isEmpty())
        cursor = m_backend->openCursor(tag.toStdString());
    m_indexName = tag;
    const std::uint32_t keep = m_recno;
    m_walker = std::make_unique<OrderWalker>(*m_backend, std::move(cursor));
    invalidatePositions();
    if (keep != 0 && m_walker->seek(keep)) {
        loadCurrent(keep);
        m_bof = m_eof = false;
        notify(Event::DataChanged);
    } else {
        reset();
    }
}

void MyTable::addIndex(const QString &tag, const QString &expression) {
    requireOpen();
    m_backend->addTag(tag.toStdString(), expression.toStdString());
}

void MyTable::deleteIndex(const QString &tag) {
    requireOpen();
    if (tag.compare(m_indexName, Qt::CaseInsensitive) == 0)
        setIndexName(QString());
    m_backend->deleteTag(tag.toStdString());
}

void MyTable::regenerateIndexes() {
    requireOpen();
    m_backend->regenerateIndexes();
    m_keysOfDeleted = false;
    setIndexName(m_indexName);
}

void MyTable::pack() {
    requireOpen();
    if (m_state != State::Browse)
        cancel();
    m_backend->pack();
    m_keysOfDeleted = false;
    // Record numbers have changed: re-open the order and start at the top.
    std::unique_ptr<dataset::IndexCursor> cursor;
    if (!m_indexName.isEmpty())
        cursor = m_backend->openCursor(m_indexName.toStdString());
    m_walker = std::make_unique<OrderWalker>(*m_backend, std::move(cursor));
    reset();
}

void MyTable::setFilter(RecordFilter filter) {
    m_filter = std::move(filter);
    if (m_backend && m_filtered)
        reset();
}

void MyTable::setFiltered(bool on) {
    if (on == m_filtered)
        return;
    m_filtered = on;
    if (m_backend)
        reset();
}

bool MyTable::accepts(std::uint32_t recno, const char *bytes) {
    if (filterOn())
        return isMatch(recno);
    if (bytes[0] == '*') {
        if (!m_indexName.isEmpty())
            m_keysOfDeleted = true;
        return false;
    }
    return true;
}

bool MyTable::visible(std::uint32_t recno) {
    if (recno > m_backend->recordCount()) {
        // A key of a record the table does not hold (its count is short, or its end was cut
        // off): the records that are there are shown, and the damage is noted.
        m_keysOfMissing = true;
        m_keysOfDeleted = true;
        return false;
    }
    if (filterOn())
        return isMatch(recno);
    return accepts(recno, m_backend->record(recno));
}

void MyTable::dropMatches() {
    m_matchBits.clear();
    m_matchBits.shrink_to_fit();
    m_matchRecords = 0;
    m_matchCount = 0;
    m_matchesBuilt = false;
}

void MyTable::setMatch(std::uint32_t recno, bool on) {
    const std::size_t word = (recno - 1) / 64;
    const std::uint64_t bit = std::uint64_t{1} << ((recno - 1) % 64);
    if (word >= m_matchBits.size())
        m_matchBits.resize(word + 1, 0);
    const bool was = (m_matchBits[word] & bit) != 0;
    if (was == on)
        return;
    if (on) {
        m_matchBits[word] |= bit;
        ++m_matchCount;
    } else {
        m_matchBits[word] &= ~bit;
        --m_matchCount;
    }
}

// One pass in record-number order over every record, testing each live one.
void MyTable::ensureMatches() {
    if (m_matchesBuilt)
        return;
    dropMatches();
    const std::uint32_t total = m_backend->recordCount();
    m_matchBits.assign((static_cast<std::size_t>(total) + 63) / 64, 0);
    for (std::uint32_t r = 1; r <= total; ++r) {
        const char *bytes = m_backend->sequentialRecord(r);
        if (bytes[0] != '*' && m_filter(RecordView(m_layout.get(), bytes)))
            setMatch(r, true);
    }
    m_matchRecords = total;
    m_matchesBuilt = true;
}

bool MyTable::isMatch(std::uint32_t recno) {
    ensureMatches();
    if (recno == 0)
        return false;
    if (recno > m_matchRecords) {
        // Appended since the set was taken (by us, or by another process): test them now.
        const std::uint32_t total = std::min(recno, m_backend->recordCount());
        for (std::uint32_t r = m_matchRecords + 1; r <= total; ++r) {
            const char *bytes = m_backend->record(r);
            setMatch(r, bytes[0] != '*' && m_filter(RecordView(m_layout.get(), bytes)));
        }
        m_matchRecords = std::max(m_matchRecords, total);
        if (recno > m_matchRecords)
            return false;
    }
    return (m_matchBits[(recno - 1) / 64] >> ((recno - 1) % 64)) & 1u;
}

std::unique_ptr<OrderWalker> MyTable::makeWalker() {
    std::unique_ptr<dataset::IndexCursor> cursor;
    if (!m_indexName.isEmpty())
        cursor = m_backend->openCursor(m_indexName.toStdString());
    return std::make_unique<OrderWalker>(*m_backend, std::move(cursor));
}

void MyTable::loadCurrent(std::uint32_t recno) {
    const char *bytes = m_backend->record(recno);
    m_buffer.assign(bytes, static_cast<std::size_t>(m_backend->recordLength()));
    m_recno = recno;
}

void MyTable::setCurrentNone() {
    m_recno = 0;
    m_buffer.clear();
    m_eof = m_bof = true;
    m_currentPosition = -1;
}

void MyTable::invalidatePositions() {
    m_points.clear();
    m_count = -1;
    m_currentPosition = -1;
    m_hintPosition = -1;
    m_hintRecno = 0;
}

void MyTable::reset() {
    dropMatches();
    invalidatePositions();
    first();
    notify(Event::DataChanged);
}

std::uint32_t MyTable::stepFrom(std::uint32_t recno, int direction) {
    if (recno == 0 || !m_walker->seek(recno))
        return 0;
    // A filter may pass over many records before the next one it accepts.
    const dataset::LongRead longRead(*m_backend);
    while (direction > 0 ? m_walker->next() : m_walker->prior()) {
        const std::uint32_t r = m_walker->recno();
        if (visible(r))
            return r;
    }
    // The walk ran off the end; stay where the current record is.
    m_walker->seek(recno);
    return 0;
}

void MyTable::first() {
    moveToEnd(false);
}

void MyTable::last() {
    moveToEnd(true);
}

// The first accepted record from the start, or from the end for `last`.
void MyTable::moveToEnd(bool fromLast) {
    requireOpen();
    if (m_state != State::Browse)
        cancel();
    std::uint32_t found = 0;
    const dataset::LongRead longRead(*m_backend);
    for (bool ok = fromLast ? m_walker->last() : m_walker->first(); ok;
         ok = fromLast ? m_walker->prior() : m_walker->next()) {
        const std::uint32_t r = m_walker->recno();
        if (visible(r)) {
            found = r;
            break;
        }
    }
    if (found == 0) {
        setCurrentNone();
        m_count = 0;
    } else {
        loadCurrent(found);
        m_bof = !fromLast;
        m_eof = fromLast;
        if (fromLast) {
            m_currentPosition = m_count >= 0 ? m_count - 1 : -1;
        } else {
            m_currentPosition = 0;
            rememberPoint(0, found);
        }
    }
    notify(Event::Scrolled);
}

void MyTable::next() {
    requireOpen();
    if (m_state != State::Browse)
        cancel();
    m_bof = false;
    const std::uint32_t r = stepFrom(m_recno, 1);
    if (r == 0) {
        m_eof = true;
        return;
    }
    loadCurrent(r);
    m_eof = false;
    if (m_currentPosition >= 0)
        rememberPoint(++m_currentPosition, r);
    notify(Event::Scrolled);
}

void MyTable::prior() {
    requireOpen();
    if (m_state != State::Browse)
        cancel();
    m_eof = false;
    const std::uint32_t r = stepFrom(m_recno, -1);
    if (r == 0) {
        m_bof = true;
        return;
    }
    loadCurrent(r);
    m_bof = false;
    if (m_currentPosition > 0)
        --m_currentPosition;
    notify(Event::Scrolled);
}

int MyTable::moveBy(int distance) {
    int moved = 0;
    {
        // One notification for the whole move.
        disableControls();
        struct Enable {
            MyTable *t;
            ~Enable() { t->m_disableCount--; }
        } enable{this};
        while (moved < distance && !isEmpty()) {
            next();
            if (m_eof)
                break;
            ++moved;
        }
        while (moved > distance && !isEmpty()) {
            prior();
            if (m_bof)
                break;
            --moved;
        }
    }
    m_missedEvent = false;
    if (moved != 0)
        notify(Event::Scrolled);
    return moved;
}

bool MyTable::gotoBookmark(Bookmark bookmark) {
    requireOpen();
    if (bookmark == 0 || bookmark > m_backend->recordCount())
        return false;
    if (!visible(bookmark))
        return false;
    if (!m_walker->seek(bookmark))
        return false;
    if (m_state != State::Browse)
        cancel();
    loadCurrent(bookmark);
    m_bof = m_eof = false;
    m_currentPosition = -1;
    notify(Event::Scrolled);
    return true;
}

std::int64_t MyTable::recordCount() {
    if (!m_backend)
        return 0;
    if (m_count >= 0 && m_countFromKeys && m_keysOfDeleted) {
        // A walk met a key of a deleted record: the keys overcount, and the positions
        // worked out from that count are wrong too.
        invalidatePositions();
    }
    if (m_count < 0)
        m_count = countVisible();
    return m_count;
}

bool MyTable::indexCoversLiveRecords() {
    requireOpen();
    if (m_indexName.isEmpty())
        return true;
    const std::uint32_t total = m_backend->recordCount();
    const std::unique_ptr<dataset::IndexCursor> cursor =
        m_backend->openCursor(m_indexName.toStdString());
    std::uint64_t keys = 0;
    for (bool ok = cursor->first(); ok; ok = cursor->next())
        keys += cursor->recno() >= 1 && cursor->recno() <= total ? 1 : 0;
    const dataset::LongRead longRead(*m_backend);
    std::uint64_t live = 0;
    for (std::uint32_t r = 1; r <= total; ++r)
        live += m_backend->sequentialRecord(r)[0] != '*' ? 1 : 0;
    return keys == live;
}

std::int64_t MyTable::countVisible() {
    if (!(m_filtered && m_filter)) {
        // Unfiltered, the visible records are the live ones, and the index holds a key for
        // each live record: counting keys reads the index, a small part of the table. (An
        // index another dBASE program left with keys of records it deleted counts those too,
        // until a walk meets one of them; accepts() notes that.)
        if (!m_keysOfDeleted)
            if (const std::optional<std::uint64_t> keys = m_walker->keyCount()) {
                m_countFromKeys = true;
                return static_cast<std::int64_t>(*keys);
            }
    }
    m_countFromKeys = false;
    if (filterOn()) {
        ensureMatches();
        if (m_backend->recordCount() > m_matchRecords)
            (void)isMatch(m_backend->recordCount());
        return m_matchCount;
    }
    // The count does not depend on the order, so the cheapest walk will do.
    const dataset::LongRead longRead(*m_backend);
    std::int64_t n = 0;
    const std::uint32_t total = m_backend->recordCount();
    for (std::uint32_t r = 1; r <= total; ++r)
        if (visible(r))
            ++n;
    return n;
}

void MyTable::rememberPoint(std::int64_t position, std::uint32_t recno) {
    if (position % kPointStep == 0 &&
        position / kPointStep == static_cast<std::int64_t>(m_points.size()))
        m_points.push_back(recno);
}

std::uint32_t MyTable::recnoAt(std::int64_t position) {
    if (!m_backend || position < 0 || (m_count >= 0 && position >= m_count))
        return 0;
    if (m_hintRecno != 0 && m_hintPosition == position)
        return m_hintRecno;

    // The nearest known point at or before the position: a remembered point, the last row
    // asked for, or the current record.
    std::int64_t fromPos = -1;
    std::uint32_t fromRecno = 0;
    if (!m_points.empty()) {
        const std::int64_t k = std::min<std::int64_t>(
            position / kPointStep, static_cast<std::int64_t>(m_points.size()) - 1);
        fromPos = k * kPointStep;
        fromRecno = m_points[static_cast<std::size_t>(k)];
    }
    if (m_hintRecno != 0 && m_hintPosition <= position && m_hintPosition > fromPos) {
        fromPos = m_hintPosition;
        fromRecno = m_hintRecno;
    }
    if (m_recno != 0 && m_currentPosition >= 0 && m_currentPosition <= position &&
        m_currentPosition > fromPos) {
        fromPos = m_currentPosition;
        fromRecno = m_recno;
    }

    std::unique_ptr<OrderWalker> walker = makeWalker();
    const dataset::LongRead longRead(*m_backend);
    // Backwards from a later known row (the viewer scrolls up a line at a time) or from the
    // end, when that is the shorter way.
    std::int64_t backPos = -1;
    std::uint32_t backRecno = 0;
    if (m_hintRecno != 0 && m_hintPosition > position) {
        backPos = m_hintPosition;
        backRecno = m_hintRecno;
    }
    const bool endKnown = m_count >= 0;
    if (endKnown && (backPos < 0 || m_count - 1 - position < backPos - position)) {
        if (m_count - 1 - position < position - fromPos || fromPos < 0) {
            backPos = m_count; // one past the last: walker.last() gives the last entry
            backRecno = 0;
        }
    }
    const std::int64_t forwardCost = fromPos < 0 ? position + 1 : position - fromPos;
    if (backPos >= 0 && backPos - position < forwardCost) {
        std::int64_t pos = backPos;
        bool ok = backRecno != 0 ? walker->seek(backRecno) : walker->last();
        if (ok && backRecno == 0) {
            // Land on the last visible record.
            while (ok && !visible(walker->recno()))
                ok = walker->prior();
            pos = m_count - 1;
        }
        while (ok && pos > position) {
            ok = walker->prior();
            if (ok && visible(walker->recno()))
                --pos;
        }
        if (ok && pos == position) {
            m_hintPosition = position;
            m_hintRecno = walker->recno();
            return m_hintRecno;
        }
        // The remembered rows no longer agree with the table; walk forward from the start.
        invalidatePositions();
        fromPos = -1;
    }

    std::int64_t pos;
    bool ok;
    if (fromPos < 0) {
        ok = walker->first();
        while (ok && !visible(walker->recno()))
            ok = walker->next();
        pos = 0;
        if (ok)
            rememberPoint(0, walker->recno());
    } else {
        ok = walker->seek(fromRecno);
        pos = fromPos;
    }
    while (ok && pos < position) {
        ok = walker->next();
        if (ok && visible(walker->recno()))
            rememberPoint(++pos, walker->recno());
    }
    if (!ok) {
        if (fromPos < 0 || pos > 0)
            m_count = pos + (fromPos < 0 && pos == 0 ? 0 : 1);
        return 0;
    }
    m_hintPosition = position;
    m_hintRecno = walker->recno();
    return m_hintRecno;
}

std::int64_t MyTable::position() {
    if (!m_backend || m_recno == 0)
        return -1;
    if (m_currentPosition >= 0)
        return m_currentPosition;
    // Not known since a jump: count the visible records before the current one.
    std::unique_ptr<OrderWalker> walker = makeWalker();
    const dataset::LongRead longRead(*m_backend);
    std::int64_t pos = -1;
    for (bool ok = walker->first(); ok; ok = walker->next()) {
        const std::uint32_t r = walker->recno();
        if (!visible(r))
            continue;
        rememberPoint(++pos, r);
        if (r == m_recno) {
            m_currentPosition = pos;
            return pos;
        }
    }
    return -1;
}

bool MyTable::moveToPosition(std::int64_t position) {
    requireOpen();
    const std::uint32_t r = recnoAt(position);
    if (r == 0 || !m_walker->seek(r))
        return false;
    if (m_state != State::Browse)
        cancel();
    loadCurrent(r);
    m_bof = m_eof = false;
    m_currentPosition = position;
    notify(Event::Scrolled);
    return true;
}

std::optional<MyTable::Row> MyTable::rowAt(std::int64_t position) {
    const std::uint32_t r = recnoAt(position);
    if (r == 0)
        return std::nullopt;
    Row row;
    row.recno = r;
    row.bytes.assign(m_backend->record(r), static_cast<std::size_t>(m_backend->recordLength()));
    row.layout = m_layout;
    return row;
}

RecordView MyTable::current() const {
    if (m_state == State::Edit || m_state == State::Insert)
        return {m_layout.get(), m_editBuffer.data()};
    if (m_recno == 0)
        return {};
    return {m_layout.get(), m_buffer.data()};
}

QString MyTable::text(int field) const {
    if (m_state == State::Edit || m_state == State::Insert) {
        const auto it = m_pendingText.find(field);
        if (it != m_pendingText.end()) {
            QString t = it->second;
            while (t.endsWith(u' '))
                t.chop(1);
            return t;
        }
    }
    const RecordView v = current();
    return v.isValid() ? v.text(field) : QString();
}

QString MyTable::text(const QString &name) const {
    const int i = fieldIndex(name);
    return i < 0 ? QString() : text(i);
}

long long MyTable::integer(int field) const {
    const RecordView v = current();
    return v.isValid() ? v.integer(field) : 0;
}

double MyTable::number(int field) const {
    const RecordView v = current();
    return v.isValid() ? v.number(field) : 0.0;
}

QDate MyTable::date(int field) const {
    const RecordView v = current();
    return v.isValid() ? v.date(field) : QDate();
}

void MyTable::edit() {
    requireOpen();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_mode == OpenMode::ReadOnly)
        fail(QStringLiteral("The table %1 is open read-only.").arg(m_path));
    if (m_recno == 0)
        fail(QStringLiteral("There is no record to edit in %1.").arg(m_path));
    // Edit what is on disk now, not what was read when the record became current.
    loadCurrent(m_recno);
    m_editBuffer = m_buffer;
    m_pendingText.clear();
    m_state = State::Edit;
    notify(Event::StateChanged);
}

void MyTable::insert() {
    requireOpen();
    if (m_state != State::Browse)
        cancel();
    if (m_mode == OpenMode::ReadOnly)
        fail(QStringLiteral("The table %1 is open read-only.").arg(m_path));
    m_editBuffer.assign(static_cast<std::size_t>(m_backend->recordLength()), ' ');
    m_pendingText.clear();
    m_state = State::Insert;
    notify(Event::StateChanged);
}

void MyTable::encodePending(std::string &buffer) const {
    for (const auto &[field, value] : m_pendingText) {
        const db::FieldDef &f = m_layout->fields()[static_cast<std::size_t>(field)];
        std::string bytes;
        QChar bad;
        if (!m_layout->encode(value, bytes, bad))
            fail(QStringLiteral("The character \"%1\" (U+%2) cannot be stored in field %3: the "
                                "table's %4 has no such character.")
                     .arg(bad)
                     .arg(bad.unicode(), 4, 16, QChar(u'0'))
                     .arg(QString::fromStdString(f.name), m_layout->codePageName()));
        bytes.resize(static_cast<std::size_t>(f.length), ' ');
        buffer.replace(static_cast<std::size_t>(f.offset), bytes.size(), bytes);
    }
}

void MyTable::post() {
    (void)postBuffer(nullptr);
}

bool MyTable::postIfUnchanged(std::string_view loaded) {
    return postBuffer(&loaded);
}

bool MyTable::postBuffer(const std::string_view *expected) {
    requireOpen();
    requireEditing();
    std::string bytes = m_editBuffer;
    encodePending(bytes); // throws before anything is written
    bytes[0] = ' ';
    // The count follows our own change, so it need not be taken again.
    const bool wasVisible = m_state == State::Edit && m_recno != 0 && visible(m_recno);
    std::uint32_t recno;
    if (m_state == State::Insert) {
        recno = m_backend->append(bytes.data());
    } else {
        recno = m_recno;
        if (!expected) {
            m_backend->update(recno, bytes.data());
        } else {
            if (expected->size() != bytes.size())
                return false;
            if (!m_backend->updateIfUnchanged(recno, expected->data(), bytes.data()))
                return false;
        }
    }
    m_state = State::Browse;
    m_pendingText.clear();
    m_editBuffer.clear();
    const std::int64_t count = m_count;
    invalidatePositions();
    loadCurrent(recno);
    if (filterOn() && m_matchesBuilt && recno <= m_matchRecords)
        setMatch(recno, m_filter(RecordView(m_layout.get(), m_buffer.data())));
    if (count >= 0)
        m_count = count - (wasVisible ? 1 : 0) + (visible(recno) ? 1 : 0);
    m_walker = makeWalker();
    m_walker->seek(recno);
    m_bof = m_eof = false;
    notify(Event::StateChanged);
    notify(Event::DataChanged);
    return true;
}

void MyTable::cancel() {
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_state = State::Browse;
    m_pendingText.clear();
    m_editBuffer.clear();
    notify(Event::StateChanged);
}

void MyTable::deleteRecord() {
    requireOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (m_mode == OpenMode::ReadOnly)
        fail(QStringLiteral("The table %1 is open read-only.").arg(m_path));
    if (m_recno == 0)
        fail(QStringLiteral("There is no record to delete in %1.").arg(m_path));
    const std::uint32_t gone = m_recno;
    std::uint32_t then = stepFrom(gone, 1);
    bool atEnd = false;
    if (then == 0) {
        then = stepFrom(gone, -1);
        atEnd = true;
    }
    const std::int64_t pos = m_currentPosition;
    const bool wasVisible = visible(gone);
    m_backend->setDeleted(gone, true);
    if (m_matchesBuilt && gone <= m_matchRecords)
        setMatch(gone, false);
    const std::int64_t count = m_count;
    invalidatePositions();
    if (count >= 0)
        m_count = count - (wasVisible ? 1 : 0);
    m_walker = makeWalker();
    if (then != 0 && m_walker->seek(then)) {
        loadCurrent(then);
        m_bof = false;
        m_eof = atEnd;
        m_currentPosition = pos < 0 ? -1 : (atEnd ? pos - 1 : pos);
    } else {
        setCurrentNone();
    }
    notify(Event::DataChanged);
}

void MyTable::setText(int field, const QString &value) {
    requireEditing();
    const db::FieldDef &f = m_layout->fields().at(static_cast<std::size_t>(field));
    std::string stored;
    switch (f.type) {
    case 'N':
    case 'F':
        stored = field_codec::numberTextToStorage(f, value);
        break;
    case 'D': {
        const ParsedDate parsed = TextToDate(value);
        if (parsed.isInvalid())
            fail(QStringLiteral("\"%1\" is not a valid date for field %2.")
                     .arg(value, QString::fromStdString(f.name)));
        stored = field_codec::dateToStorage(parsed.date);
        break;
    }
    case 'L': {
        const QString t = value.trimmed().toUpper();
        if (t.isEmpty())
            stored = " ";
        else if (t == u"T" || t == u"Y" || t == u"YES" || t == u"TRUE")
            stored = "T";
        else if (t == u"F" || t == u"N" || t == u"NO" || t == u"FALSE")
            stored = "F";
        else
            fail(QStringLiteral("\"%1\" is not a logical value for field %2.")
                     .arg(value, QString::fromStdString(f.name)));
        break;
    }
    case 'C':
        m_pendingText[field] = value.left(f.length);
        notify(Event::FieldChanged);
        return;
    default:
        fail(QStringLiteral("Field %1 of type %2 cannot be assigned as text.")
                 .arg(QString::fromStdString(f.name), QString(QChar::fromLatin1(f.type))));
    }
    m_editBuffer.replace(static_cast<std::size_t>(f.offset), stored.size(), stored);
    notify(Event::FieldChanged);
}

void MyTable::setText(const QString &name, const QString &value) {
    const int i = fieldIndex(name);
    if (i < 0)
        fail(QStringLiteral("The table %1 has no field %2.").arg(m_path, name));
    setText(i, value);
}

void MyTable::setInteger(int field, long long value) {
    setNumber(field, static_cast<double>(value));
}

void MyTable::setNumber(int field, double value) {
    requireEditing();
    const db::FieldDef &f = m_layout->fields().at(static_cast<std::size_t>(field));
    if (f.type != 'N' && f.type != 'F') {
        setText(field, QString::number(value, 'f', std::max(0, f.decimals)));
        return;
    }
    const std::string stored = field_codec::numberToStorage(f, value);
    m_editBuffer.replace(static_cast<std::size_t>(f.offset), stored.size(), stored);
    notify(Event::FieldChanged);
}

void MyTable::setDate(int field, const QDate &value) {
    requireEditing();
    const db::FieldDef &f = m_layout->fields().at(static_cast<std::size_t>(field));
    if (f.type != 'D')
        fail(QStringLiteral("Field %1 is not a date field.").arg(QString::fromStdString(f.name)));
    const std::string stored = field_codec::dateToStorage(value);
    m_editBuffer.replace(static_cast<std::size_t>(f.offset), stored.size(), stored);
    notify(Event::FieldChanged);
}

void MyTable::refresh() {
    if (!m_backend)
        return;
    const bool changed = m_backend->refresh();
    if (filterOn()) {
        // Another process may have edited records the match set has decided on.
        dropMatches();
        invalidatePositions();
    }
    if (!changed) {
        // Nothing was added or removed; the current record may still have been edited.
        if (m_state == State::Browse && m_recno != 0 && m_recno <= m_backend->recordCount())
            loadCurrent(m_recno);
        notify(Event::DataChanged);
        return;
    }
    recordsChanged();
}

void MyTable::recordsChanged() {
    const std::uint32_t keep = m_recno;
    invalidatePositions();
    m_walker = makeWalker();
    if (keep != 0 && keep <= m_backend->recordCount() && visible(keep) && m_walker->seek(keep)) {
        if (m_state == State::Browse)
            loadCurrent(keep);
        m_eof = m_bof = false;
        notify(Event::DataChanged);
    } else {
        reset();
    }
}

MyTable::BulkInsert MyTable::bulkInsert() {
    requireOpen();
    cancel();
    if (m_mode == OpenMode::ReadOnly)
        fail(QStringLiteral("The table %1 is open read-only.").arg(m_path));
    return BulkInsert(*this);
}

MyTable::BulkInsert::BulkInsert(MyTable &table)
    : m_table(&table), m_appender(table.m_backend->bulkAppend()) {}

MyTable::BulkInsert::BulkInsert(BulkInsert &&other) noexcept
    : m_table(std::exchange(other.m_table, nullptr)), m_appender(std::move(other.m_appender)) {}

MyTable::BulkInsert::~BulkInsert() {
    try {
        end();
    } catch (const db::DbError &) {
        // The records written stay; the index is rebuilt by the table's next open.
    }
}

std::uint32_t MyTable::BulkInsert::append(const std::string &record) {
    if (!m_appender)
        throw db::DbError(m_table ? m_table->m_path.toStdString() : std::string(),
                          "the bulk insert has ended");
    if (record.size() != static_cast<std::size_t>(m_table->m_backend->recordLength()))
        throw db::DbError(m_table->m_path.toStdString(),
                          "a record buffer does not match the record length");
    return m_appender->append(record.data());
}

void MyTable::BulkInsert::commit() {
    end();
}

void MyTable::BulkInsert::end() {
    if (!m_appender)
        return;
    auto appender = std::move(m_appender);
    // Whatever the commit does, what reached the file is taken in.
    auto takeIn = [this] {
        m_table->dropMatches();
        m_table->recordsChanged();
    };
    try {
        appender->commit();
    } catch (...) {
        appender.reset();
        takeIn();
        throw;
    }
    appender.reset();
    takeIn();
}

int MyTable::addListener(Listener listener) {
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void MyTable::removeListener(int id) {
    m_listeners.erase(id);
}

void MyTable::disableControls() {
    ++m_disableCount;
}

void MyTable::enableControls() {
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0) {
        m_missedEvent = false;
        notify(Event::DataChanged);
    }
}

void MyTable::notify(Event event) {
    if (m_disableCount > 0) {
        m_missedEvent = true;
        return;
    }
    // A listener may remove itself while being told.
    const std::map<int, Listener> listeners = m_listeners;
    for (const auto &[id, listener] : listeners)
        if (listener)
            listener(event);
}

MyTable::Scanner::Scanner(MyTable &table) : m_table(&table), m_walker(table.makeWalker()) {
    if (table.m_backend)
        m_longRead.emplace(*table.m_backend);
}

MyTable::Scanner::Scanner(Scanner &&) noexcept = default;
MyTable::Scanner &MyTable::Scanner::operator=(Scanner &&) noexcept = default;
MyTable::Scanner::~Scanner() = default;

MyTable::Scanner MyTable::scanner(bool afterCurrent) {
    requireOpen();
    Scanner s(*this);
    s.m_startRecno = afterCurrent ? m_recno : 0;
    return s;
}

bool MyTable::Scanner::pull(std::uint32_t &recno) {
    dataset::TableBackend &backend = *m_table->m_backend;
    while (m_aheadCount < kAhead && !m_walkerDone) {
        bool ok;
        if (!m_started) {
            m_started = true;
            ok = m_startRecno != 0 ? (m_walker->seek(m_startRecno) && m_walker->next())
                                   : m_walker->first();
        } else {
            ok = m_walker->next();
        }
        if (!ok) {
            m_walkerDone = true;
            break;
        }
        const std::uint32_t r = m_walker->recno();
        if (r <= backend.recordCount()) {
            const char *bytes = backend.record(r);
            for (int at = 0; at < backend.recordLength(); at += 64)
                __builtin_prefetch(bytes + at);
        }
        m_ahead[(m_aheadFirst + m_aheadCount) % kAhead] = r;
        ++m_aheadCount;
    }
    if (m_aheadCount == 0)
        return false;
    recno = m_ahead[m_aheadFirst];
    m_aheadFirst = (m_aheadFirst + 1) % kAhead;
    --m_aheadCount;
    return true;
}

bool MyTable::Scanner::next() {
    dataset::TableBackend &backend = *m_table->m_backend;
    for (std::uint32_t r = 0; pull(r);) {
        if (r > backend.recordCount()) {
            (void)m_table->visible(r); // notes the key of a missing record
            continue;
        }
        const char *bytes = backend.record(r);
        if (m_table->accepts(r, bytes)) {
            m_recno = r;
            m_bytes.assign(bytes, static_cast<std::size_t>(backend.recordLength()));
            return true;
        }
    }
    m_recno = 0;
    return false;
}

std::string_view MyTable::Scanner::raw(int field) const {
    return view().raw(field);
}

RecordView MyTable::Scanner::view() const {
    return {m_table->m_layout.get(), m_bytes.data()};
}
