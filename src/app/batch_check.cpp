#include "app/batch_check.h"

#include "core/prompter.h"
#include "db/inventory_file.h"
#include "db/my_table.h"

#include <QFileInfo>

namespace {

void write(std::FILE *f, const QString &text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
}

} // namespace

int BatchCheck(const QString &file, Prompter &prompter, std::FILE *out) {
    const InventoryCheck check = InspectInventory(file);
    if (!check.isInventory) {
        prompter.error(kNotAnInventory);
        return 1;
    }
    const QString full = QFileInfo(file).absoluteFilePath();
    if (check.faults.isEmpty()) {
        write(out, full + QStringLiteral(": an inventory file\n"));
        return 0;
    }
    QString report = full + QStringLiteral(": an inventory file with faults\n");
    for (qsizetype i = 0; i < check.faults.size(); ++i)
        report += QStringLiteral("  fault: ") + check.faults[i] +
                  QStringLiteral("\n  reindex would: ") + check.repairs.value(i) + u'\n';
    write(out, report);
    return 3;
}

int BatchReindex(const QString &file, const QString &sortExpression, std::FILE *out) {
    MyTable table;
    RepairInventory(table, file, sortExpression);
    write(out, QStringLiteral("reindexed: ") + QFileInfo(file).absoluteFilePath() + u'\n');
    return 0;
}
