#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

class QPainter;

// A page as a display list: what was drawn on it, in the order it was drawn, in twips
// (1/1440 inch) from the paper's top-left corner. The printer, the PDF output and the
// preview all draw pages from such lists through DrawPageList, so what the preview shows
// is what the printer gets.
//
// Encoding (little-endian): page width and height (i32), then operations, each one byte of
// kind followed by its operands:
//   'F' font id (u8), style bits (u8: bold 1, italic 2, underline 4, strike-out 8), size in
//       twips (i32), colour (u32), face length (u8) and face (UTF-8)
//   'T' font id (u8), x, baseline y (i32), length (u16) and text (UTF-8)
//   'B' x, y, width, height (i32), border bits (u8: left 1, right 2, top 4, bottom 8)
//   'S' x, y, width, height (i32), grey percent (u8)
// Fonts are numbered per page, so that any page can be drawn on its own.
namespace reports {

inline constexpr double kTwipsPerInch = 1440.0;

// A font of a page: what the engine measures with and what the page is drawn with.
struct PageFont {
    QString face;
    int twips = 160; // size: points x 20
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t color = 0;

    friend bool operator==(const PageFont &, const PageFont &) = default;
    friend bool operator<(const PageFont &a, const PageFont &b) {
        return std::tie(a.twips, a.bold, a.italic, a.underline, a.strikeOut, a.color, a.face) <
               std::tie(b.twips, b.bold, b.italic, b.underline, b.strikeOut, b.color, b.face);
    }
};

// The Qt font of a page font, sized in twips (its pixel size), unhinted so that its
// widths are the same on every device and at every zoom.
[[nodiscard]] QFont MakeQFont(const PageFont &font);

class PageListWriter {
public:
    void begin(double widthInches, double heightInches);
    // Font ids are given on first use on the page.
    void text(const PageFont &font, double x, double baseline, QStringView text);
    void box(double x, double y, double width, double height, int borders);
    void shade(double x, double y, double width, double height, int percent);
    // The page's bytes; the writer is empty afterwards.
    [[nodiscard]] QByteArray finish();
    [[nodiscard]] bool isEmpty() const { return m_bytes.isEmpty(); }

private:
    int fontId(const PageFont &font);
    void i32(double inches);
    void raw32(std::uint32_t v);

    QByteArray m_bytes;
    std::map<PageFont, int> m_fonts;
};

// Size of a page list's paper, in inches; empty for a list too short to hold one.
[[nodiscard]] QSizeF PageListSize(QByteArrayView page);

// Draws a page list with the painter's origin at the paper's top-left corner and
// `pixelsPerInch` device pixels to the inch. Monochrome draws every colour black. A damaged
// list draws what it holds up to the damage.
void DrawPageList(QByteArrayView page, QPainter &painter, double pixelsPerInch, bool color = true);

// What a page list holds, item by item in drawing order, positions in inches: texts with
// their font and baseline, cell borders and shades (for searches in a preview, and tests).
struct PageItem {
    enum class Kind { Text, Box, Shade };
    Kind kind = Kind::Text;
    double x = 0, y = 0;          // a text's start and baseline; a box's top-left corner
    double width = 0, height = 0; // of a box or shade
    int value = 0;                // border bits, or grey percent
    QString text;
    PageFont font;
};
[[nodiscard]] std::vector<PageItem> PageListItems(QByteArrayView page);

// The texts of a page list in drawing order.
[[nodiscard]] std::vector<QString> PageListTexts(QByteArrayView page);

} // namespace reports
