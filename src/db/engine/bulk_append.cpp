#include "db/engine/bulk_append.h"

#include "db/engine/db_error.h"
#include "db/engine/key_expression.h"
#include "db/engine/mdx_file.h"
#include "db/engine/table.h"
#include "db/engine/test_hook.h"

#include <algorithm>
#include <cstring>

namespace db {

namespace {

constexpr std::uint32_t kPointStep = 4096;

} // namespace

// The keys of the new records in one tag: key bytes followed by the record number.
struct BulkAppend::TagKeys {
    int keyLength = 0;
    char keyType = 'C';
    std::vector<char> rows;

    [[nodiscard]] std::size_t stride() const { return static_cast<std::size_t>(keyLength) + 4; }
};

BulkAppend::BulkAppend(Table &table) : m_table(table) {
    if (table.mode() == OpenMode::ReadOnly)
        throw DbError(table.path(), "cannot append records: the table is open read-only");
    m_batch = std::make_unique<DbfTable::AppendBatch>(*table.m_dbf);
    table.prepareChange(); // under the batch's lock
    m_startCount = table.recordCount();
    if (MdxFile *mdx = table.index()) {
        mdx->requireWritable();
        mdx->beginUpdate();
        // Into an empty table every key is gathered as the records come: the index is then
        // built from them without reading the records back.
        m_rebuild = false;
        m_fromEmpty = m_startCount == 0;
        m_keys.resize(static_cast<std::size_t>(mdx->tagCount()));
        for (int i = 0; i < mdx->tagCount(); ++i) {
            m_keys[static_cast<std::size_t>(i)].keyLength = mdx->tag(i).keyLength;
            m_keys[static_cast<std::size_t>(i)].keyType = mdx->tag(i).keyType;
        }
    }
}

BulkAppend::~BulkAppend() {
    if (!m_open)
        return;
    try {
        commit();
    } catch (const DbError &) {
        // The index marker stays set: the next open rebuilds the index from the records.
    }
}

std::uint32_t BulkAppend::append(std::string_view record) {
    if (!m_open)
        throw DbError(m_table.path(), "the bulk append has ended");
    m_table.checkRecord(record);
    const std::uint32_t recno = m_table.m_dbf->appendRecord(record);
    ++m_appended;
    MdxFile *mdx = m_table.index();
    if (mdx && !m_rebuild && record[0] != '*') {
        if (!m_fromEmpty && m_appended > m_startCount / 8) {
            switchToRebuild();
        } else {
            for (int i = 0; i < mdx->tagCount(); ++i) {
                TagKeys &keys = m_keys[static_cast<std::size_t>(i)];
                const std::size_t at = keys.rows.size();
                if (keys.rows.capacity() < at + keys.stride())
                    keys.rows.reserve(std::max<std::size_t>(keys.rows.capacity() * 2, 1 << 16));
                keys.rows.resize(at + keys.stride());
                mdx->keyInto(i, record.data(), keys.rows.data() + at);
                std::memcpy(keys.rows.data() + at + keys.keyLength, &recno, 4);
            }
        }
    }
    if (m_appended % kPointStep == 0)
        testhook::reach("bulk:records");
    return recno;
}

void BulkAppend::switchToRebuild() {
    m_rebuild = true;
    m_keys.clear();
    m_keys.shrink_to_fit();
}

void BulkAppend::insertGatheredKeys() {
    MdxFile &mdx = *m_table.index();
    std::uint32_t inserted = 0;
    for (std::size_t t = 0; t < m_keys.size(); ++t) {
        TagKeys &keys = m_keys[t];
        const std::size_t stride = keys.stride();
        const std::size_t count = keys.rows.size() / stride;
        std::vector<std::uint32_t> order(count);
        for (std::size_t i = 0; i < count; ++i)
            order[i] = static_cast<std::uint32_t>(i);
        // Rows are in record number order, so a stable sort on the key keeps ties by number,
        // the order the tree holds them in.
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return compareKeys(keys.keyType, keys.rows.data() + a * stride,
                               keys.rows.data() + b * stride, keys.keyLength) < 0;
        });
        for (const std::uint32_t row : order) {
            const char *at = keys.rows.data() + row * stride;
            std::uint32_t recno;
            std::memcpy(&recno, at + keys.keyLength, 4);
            mdx.insertKey(static_cast<int>(t),
                          std::string_view(at, static_cast<std::size_t>(keys.keyLength)), recno);
            if (++inserted % kPointStep == 0)
                testhook::reach("bulk:keys");
        }
    }
}

void BulkAppend::regenerateFromGatheredKeys() {
    std::vector<std::vector<char>> rows;
    for (TagKeys &keys : m_keys)
        rows.push_back(std::move(keys.rows));
    m_table.index()->regenerateFromKeys(std::move(rows));
}

void BulkAppend::commit() {
    if (!m_open)
        return;
    m_open = false;
    // Records and count on disk first; the keys after them; the marker cleared last.
    m_batch->commit();
    if (MdxFile *mdx = m_table.index()) {
        if (m_appended > 0) {
            if (m_rebuild)
                mdx->regenerate(m_table.liveRecords());
            else if (m_fromEmpty)
                regenerateFromGatheredKeys();
            else
                insertGatheredKeys();
        }
        m_keys.clear();
        mdx->endUpdate();
    }
    m_batch.reset();
}

} // namespace db
