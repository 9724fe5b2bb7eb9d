#include "app/ui/t_main.h"
#include "settings/settings.h"
#include "support/qt_app.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QTemporaryDir>

#include <memory>

// The "Inventory Viewer" heading under a label font wider than the design's.
TEST(MainHeading, AWideLabelFontKeepsTheHeadingWholeBoldAndCentred) {
    EnsureQtApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString config = dir.filePath(QStringLiteral("STOWKP.INI"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Misc]\r\nShow Tips=No\r\n");
    file.close();
    Settings settings(dir.path());
    ScriptedPrompter prompter;
    TMain main(settings, prompter,
               TMain::Options{config, dir.filePath(QStringLiteral("data")), {}, QSize(1280, 1024)});
    ASSERT_TRUE(main.FormCreate());
    settings.labelFont.name = QStringLiteral("DejaVu Sans Mono");
    main.show();
    QApplication::processEvents();

    auto *heading = main.findChild<QLabel *>(QStringLiteral("ViewerLabel"));
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(QFontInfo(heading->font()).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_TRUE(heading->font().bold());
    const QFontMetrics metrics(heading->font());
    EXPECT_GE(heading->contentsRect().width(), metrics.horizontalAdvance(heading->text()));
    EXPECT_GE(heading->contentsRect().height(), metrics.height());
    const QWidget *client = heading->parentWidget();
    EXPECT_NEAR(heading->geometry().center().x(), client->width() / 2, 2);
    main.close();
}
