#include "edit/pick_list_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using picklists::LoadGridList;

TEST(PickListFile, GridListKeepsNonBlankLinesAsRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("BRAND.LST");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Sony\r\n\r\n   \r\n  Acme Co  \r\n\t\r\nCaf\xe9\r\nLast");
    file.close();
    EXPECT_EQ(LoadGridList(path),
              QStringList({"Sony", "  Acme Co  ", QString::fromUtf8("Caf\u00e9"), "Last"}));
    EXPECT_TRUE(LoadGridList(dir.filePath("MISSING.LST")).isEmpty());
}
