#include "app/ui/program_identity.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QIcon>

// The window system shows a title as the caption followed by " — " and the display name
// whenever one is set; the program's captions must reach it alone.
TEST(ProgramIdentity, WindowTitlesGetNothingAppended) {
    EnsureQtApplication();
    SetProgramIdentity();
    EXPECT_EQ(QGuiApplication::applicationName(), QStringLiteral("Stowkeep Inventory"));
    EXPECT_TRUE(QGuiApplication::applicationDisplayName().isEmpty());
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.stowkeep.Stowkeep"));
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
}
