#pragma once

#include "app/ui/t_main.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QLabel>
#include <QSize>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Writes the settings file a test's program starts from: no tip of the day, `database` as the
// last inventory, and whatever further lines `more` holds.
inline ::testing::AssertionResult WriteStartSettings(const QString &configFile,
                                                     const QString &database,
                                                     const QByteArray &more = {}) {
    QFile config(configFile);
    if (!config.open(QIODevice::WriteOnly))
        return ::testing::AssertionFailure() << "cannot write " << configFile.toStdString();
    config.write("[Misc]\r\nShow Tips=No\r\nLast Database=" + database.toLatin1() + "\r\n" + more);
    return ::testing::AssertionSuccess();
}

// The main window started from `configFile` as the program starts it, on a 1280x1024 screen,
// with the tip of the day left out and whatever windows `provide` gives it.
inline std::unique_ptr<TMain> StartMain(Settings &settings, Prompter &prompter,
                                        const QString &configFile, const QString &programDir,
                                        const std::function<void(TMain &)> &provide = {}) {
    auto main = std::make_unique<TMain>(
        settings, prompter, TMain::Options{configFile, programDir, {}, QSize(1280, 1024)});
    main->provideWindow(mainwin::Needs::TipWindow, [](mainwin::Cmd) {});
    if (provide)
        provide(*main);
    EXPECT_TRUE(main->FormCreate());
    main->show();
    QApplication::processEvents();
    return main;
}

// The record count the main window shows.
inline QString ShownCount(const TMain &main) {
    return main.findChild<QLabel *>(QStringLiteral("CountLabel"))->text();
}
