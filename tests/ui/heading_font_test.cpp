#include "ui/form_scaling.h"

#include "support/qt_app.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

namespace {

// How much ink a text leaves: a bold face leaves clearly more than a regular one.
long ink(const QFont &font) {
    QImage image(400, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Inventory Viewer"));
    }
    long sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += 255 - qGray(image.pixel(x, y));
    return sum;
}

QFont sized(const QString &family) {
    QFont font(family);
    font.setPixelSize(23);
    return font;
}

// A fixed-pitch family with a regular face only, like many programmer's fonts: a copy of
// a monospaced face under a name of its own (same length, so the tables stay in place).
QString regularOnlyMonospace() {
    QFile file(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    const QString from = QStringLiteral("DejaVu Sans Mono");
    const QString to = QStringLiteral("Plain Coder Mono");
    data.replace(from.toLatin1(), to.toLatin1());
    QByteArray fromWide, toWide;
    for (const QChar c : from)
        fromWide.append('\0').append(static_cast<char>(c.unicode()));
    for (const QChar c : to)
        toWide.append('\0').append(static_cast<char>(c.unicode()));
    data.replace(fromWide, toWide);
    const int id = QFontDatabase::addApplicationFontFromData(data);
    if (id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(to))
        return {};
    return to;
}

} // namespace

TEST(BoldHeadingFont, StaysBoldInAFamilyThatHasABoldFace) {
    EnsureQtApplication();
    const QFont heading = BoldHeadingFont(sized(QStringLiteral("DejaVu Sans Mono")));
    EXPECT_TRUE(heading.bold());
    EXPECT_EQ(QFontInfo(heading).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_GT(ink(heading), ink(sized(QStringLiteral("DejaVu Sans Mono"))) * 11 / 10);
}

TEST(BoldHeadingFont, AMonospacedFamilyWithoutBoldGivesWayAndTheHeadingStaysBold) {
    EnsureQtApplication();
    const QString family = regularOnlyMonospace();
    if (family.isEmpty())
        GTEST_SKIP() << "no monospaced face to copy";
    ASSERT_TRUE(QFontDatabase::isFixedPitch(family));
    const QFont regular = sized(family);
    const QFont heading = BoldHeadingFont(regular);
    EXPECT_TRUE(heading.bold());
    EXPECT_GT(ink(heading), ink(regular) * 11 / 10);
}
