#pragma once

#include <QString>

#include <cstdint>

// A font as the settings store keeps it: plain data, turned into a Qt font by the windows.
// Colours are the stored 32-bit value: red in the low byte, then green, then blue.
struct FontSpec {
    QString name = QStringLiteral("Arial");
    int size = 10;
    std::uint32_t color = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    friend bool operator==(const FontSpec &, const FontSpec &) = default;
};
