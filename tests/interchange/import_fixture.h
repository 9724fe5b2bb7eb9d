#pragma once

#include "db/inventory_fixture.h"
#include "settings/date_format.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

// An empty inventory file with its sort index, open in shared use as the main window has it,
// and text files written beside it.
class ImportFixture : public testing::Test {
protected:
    void SetUp() override {
        ResetDateFormat();
        ASSERT_TRUE(dir.isValid());
        path = fixture::newInventory(dir);
        fixture::reopenSorted(table, path, QStringLiteral("Upper(Left(Category,80))"));
    }
    void TearDown() override { ResetDateFormat(); }

    QString writeText(const std::string &bytes, const QString &name = QStringLiteral("IN.TXT")) {
        const QString file = dir.filePath(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return file;
    }

    // The stored bytes of a field of record `recno`, blanks around them dropped.
    std::string stored(std::uint32_t recno, int field) {
        EXPECT_TRUE(table.gotoBookmark(recno));
        return std::string(field_codec::trimmed(table.current().raw(field)));
    }

    QTemporaryDir dir;
    QString path;
    MyTable table;
};
