#pragma once

#include "db/engine/field_def.h"
#include "interchange/export_fields.h"

#include <string>
#include <vector>

class RecordLayout;
class RecordView;

// The table a dBASE export makes and how its records are filled.
namespace exporting {

// One field per listed field, in list order: the field key as its name and the type and
// width the inventory schema gives it (character of its width, integer, floating point,
// date).
[[nodiscard]] std::vector<db::FieldDef> DBaseFields(const std::vector<ExportColumn> &columns);

// Fills output records from records of the exported table. A field stored exactly as the
// output stores it (an inventory file's own) is copied byte for byte; any other goes
// through its text and the output field's conversion, which throws db::DbError naming the
// field and the value when the output field cannot take it.
class DBaseRecordMaker {
public:
    // `outFields` with their offsets, as the new table has them.
    DBaseRecordMaker(const RecordLayout &layout, const std::vector<ExportColumn> &columns,
                     std::vector<db::FieldDef> outFields, std::string blankRecord);
    // The output record for `record`, in `out`.
    void make(std::string &out, const RecordView &record) const;

private:
    void convert(char *out, const db::FieldDef &to, const RecordView &record, int from) const;

    struct Carry {
        int from;  // field of the exported table
        bool copy; // stored alike: bytes copied
        int fromOffset;
    };
    const RecordLayout &m_layout;
    std::vector<db::FieldDef> m_out;
    std::vector<Carry> m_carry;
    std::string m_blank;
};

} // namespace exporting
