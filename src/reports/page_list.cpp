#include "reports/page_list.h"

#include <QColor>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace reports {

namespace {

std::int32_t toTwips(double inches) {
    const double t = std::round(inches * kTwipsPerInch);
    if (!(t > std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (!(t < std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(t);
}

QColor colorOf(std::uint32_t stored) {
    return QColor(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                  static_cast<int>((stored >> 16) & 0xFF));
}

class ListReader {
public:
    explicit ListReader(QByteArrayView bytes)
        : m_p(reinterpret_cast<const unsigned char *>(bytes.data())), m_size(bytes.size()) {}

    [[nodiscard]] bool has(qsizetype n) const { return m_at + n <= m_size; }
    [[nodiscard]] bool atEnd() const { return m_at >= m_size; }
    std::uint8_t u8() { return m_p[m_at++]; }
    std::uint16_t u16() {
        const auto v = static_cast<std::uint16_t>(m_p[m_at] | m_p[m_at + 1] << 8);
        m_at += 2;
        return v;
    }
    std::uint32_t u32() {
        const std::uint32_t v = std::uint32_t(m_p[m_at]) | std::uint32_t(m_p[m_at + 1]) << 8 |
                                std::uint32_t(m_p[m_at + 2]) << 16 |
                                std::uint32_t(m_p[m_at + 3]) << 24;
        m_at += 4;
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    QString utf8(qsizetype n) {
        const QString s =
            QString::fromUtf8(reinterpret_cast<const char *>(m_p + m_at), static_cast<int>(n));
        m_at += n;
        return s;
    }

private:
    const unsigned char *m_p;
    qsizetype m_size;
    qsizetype m_at = 0;
};

// Walks a page list, handing each operation to the visitor; stops at the first damage.
template <typename Visitor> void walk(QByteArrayView page, Visitor &&visit) {
    ListReader r(page);
    if (!r.has(8))
        return;
    (void)r.i32();
    (void)r.i32();
    while (!r.atEnd()) {
        const char op = static_cast<char>(r.u8());
        switch (op) {
        case 'F': {
            if (!r.has(11))
                return;
            PageFont f;
            const int id = r.u8();
            const int style = r.u8();
            f.bold = style & 1;
            f.italic = style & 2;
            f.underline = style & 4;
            f.strikeOut = style & 8;
            f.twips = r.i32();
            f.color = r.u32();
            const int length = r.u8();
            if (!r.has(length))
                return;
            f.face = r.utf8(length);
            visit.font(id, f);
            break;
        }
        case 'T': {
            if (!r.has(11))
                return;
            const int id = r.u8();
            const std::int32_t x = r.i32();
            const std::int32_t y = r.i32();
            const int length = r.u16();
            if (!r.has(length))
                return;
            visit.text(id, x, y, r.utf8(length));
            break;
        }
        case 'B':
        case 'S': {
            if (!r.has(17))
                return;
            const std::int32_t x = r.i32();
            const std::int32_t y = r.i32();
            const std::int32_t w = r.i32();
            const std::int32_t h = r.i32();
            const int value = r.u8();
            if (op == 'B')
                visit.box(x, y, w, h, value);
            else
                visit.shade(x, y, w, h, value);
            break;
        }
        default:
            return;
        }
    }
}

} // namespace

QFont MakeQFont(const PageFont &font) {
    QFont f(font.face);
    f.setPixelSize(std::max(1, font.twips));
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    f.setHintingPreference(QFont::PreferNoHinting);
    // No kerning or ligatures: a text is exactly as wide as its characters' advances, so
    // widths add up (and are measured fast) and cuts match what is drawn. Printers of
    // reports set text that way too.
    f.setKerning(false);
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

void PageListWriter::begin(double widthInches, double heightInches) {
    m_bytes.clear();
    m_fonts.clear();
    i32(widthInches);
    i32(heightInches);
}

void PageListWriter::i32(double inches) {
    raw32(static_cast<std::uint32_t>(toTwips(inches)));
}

void PageListWriter::raw32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    m_bytes.append(b, 4);
}

int PageListWriter::fontId(const PageFont &font) {
    const auto found = m_fonts.find(font);
    if (found != m_fonts.end())
        return found->second;
    const int id = static_cast<int>(m_fonts.size() & 0xFF);
    m_fonts.emplace(font, id);
    const QByteArray face = font.face.toUtf8().left(255);
    m_bytes.append('F');
    m_bytes.append(static_cast<char>(id));
    m_bytes.append(static_cast<char>((font.bold ? 1 : 0) | (font.italic ? 2 : 0) |
                                     (font.underline ? 4 : 0) | (font.strikeOut ? 8 : 0)));
    raw32(static_cast<std::uint32_t>(font.twips));
    raw32(font.color);
    m_bytes.append(static_cast<char>(face.size()));
    m_bytes.append(face);
    return id;
}

void PageListWriter::text(const PageFont &font, double x, double baseline, QStringView text) {
    if (text.isEmpty())
        return;
    // More than 255 fonts on a page would reuse ids; a report uses four.
    const int id = fontId(font);
    QByteArray utf8 = text.toUtf8();
    if (utf8.size() > 0xFFFF)
        utf8.truncate(0xFFFF);
    m_bytes.append('T');
    m_bytes.append(static_cast<char>(id));
    i32(x);
    i32(baseline);
    m_bytes.append(static_cast<char>(utf8.size() & 0xFF));
    m_bytes.append(static_cast<char>(utf8.size() >> 8));
    m_bytes.append(utf8);
}

void PageListWriter::box(double x, double y, double width, double height, int borders) {
    if ((borders & 15) == 0)
        return;
    m_bytes.append('B');
    i32(x);
    i32(y);
    i32(width);
    i32(height);
    m_bytes.append(static_cast<char>(borders & 15));
}

void PageListWriter::shade(double x, double y, double width, double height, int percent) {
    if (percent <= 0)
        return;
    m_bytes.append('S');
    i32(x);
    i32(y);
    i32(width);
    i32(height);
    m_bytes.append(static_cast<char>(std::min(percent, 100)));
}

QByteArray PageListWriter::finish() {
    m_fonts.clear();
    return std::exchange(m_bytes, QByteArray());
}

QSizeF PageListSize(QByteArrayView page) {
    ListReader r(page);
    if (!r.has(8))
        return {};
    const double w = r.i32() / kTwipsPerInch;
    const double h = r.i32() / kTwipsPerInch;
    return {w, h};
}

void DrawPageList(QByteArrayView page, QPainter &painter, double pixelsPerInch, bool color) {
    // Borders of neighbouring cells share their edges, and the cells of a row share their
    // top and bottom: the edges are gathered and joined into whole lines, drawn at the end
    // of the page in one go, so that a page of bordered cells is a few hundred lines, not
    // thousands.
    struct Segment {
        std::int32_t at, from, to;
        bool operator<(const Segment &o) const { return at != o.at ? at < o.at : from < o.from; }
    };
    struct Painter {
        QPainter &p;
        bool color;
        std::map<int, PageFont> fonts;
        int current = -1;
        std::vector<Segment> across, down;

        void font(int id, const PageFont &f) { fonts[id] = f; }
        void text(int id, std::int32_t x, std::int32_t y, const QString &s) {
            const auto found = fonts.find(id);
            if (found == fonts.end())
                return;
            if (id != current) {
                p.setFont(MakeQFont(found->second));
                p.setPen(color ? colorOf(found->second.color) : QColor(Qt::black));
                current = id;
            }
            p.drawText(QPointF(x, y), s);
        }
        void box(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int bits) {
            const std::int32_t x2 = x + w, y2 = y + h;
            if (bits & 1)
                down.push_back({x, y, y2});
            if (bits & 2)
                down.push_back({x2, y, y2});
            if (bits & 4)
                across.push_back({y, x, x2});
            if (bits & 8)
                across.push_back({y2, x, x2});
        }
        void shade(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int percent) {
            const int grey = 255 - 255 * percent / 100;
            p.fillRect(QRectF(x, y, w, h), QColor(grey, grey, grey));
        }
    };
    painter.save();
    const double pixelsPerTwip = pixelsPerInch / kTwipsPerInch;
    painter.scale(pixelsPerTwip, pixelsPerTwip);
    Painter visitor{painter, color, {}, -1, {}, {}};
    walk(page, visitor);

    // Edges on one line that overlap or meet (within a twip of rounding) become one line.
    std::vector<QLineF> lines;
    auto join = [&lines](std::vector<Segment> &segments, bool horizontal) {
        std::sort(segments.begin(), segments.end());
        for (std::size_t i = 0; i < segments.size();) {
            Segment run = segments[i++];
            while (i < segments.size() && segments[i].at == run.at &&
                   segments[i].from <= run.to + 1) {
                run.to = std::max(run.to, segments[i].to);
                ++i;
            }
            lines.push_back(horizontal ? QLineF(run.from, run.at, run.to, run.at)
                                       : QLineF(run.at, run.from, run.at, run.to));
        }
    };
    join(visitor.across, true);
    join(visitor.down, false);
    if (!lines.empty()) {
        // Half a point on paper; never thinner than one device pixel on a screen.
        constexpr double kLineTwips = 10.0;
        QPen pen(Qt::black);
        if (kLineTwips * pixelsPerTwip < 1.0) {
            pen.setWidth(0);
            pen.setCosmetic(true);
        } else {
            pen.setWidthF(kLineTwips);
        }
        pen.setCapStyle(Qt::SquareCap);
        painter.setPen(pen);
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    painter.restore();
}

std::vector<PageItem> PageListItems(QByteArrayView page) {
    struct Collector {
        std::vector<PageItem> items;
        std::map<int, PageFont> fonts;
        void font(int id, const PageFont &f) { fonts[id] = f; }
        void text(int id, std::int32_t x, std::int32_t y, const QString &s) {
            PageItem item;
            item.x = x / kTwipsPerInch;
            item.y = y / kTwipsPerInch;
            item.text = s;
            item.font = fonts[id];
            items.push_back(std::move(item));
        }
        void area(PageItem::Kind kind, std::int32_t x, std::int32_t y, std::int32_t w,
                  std::int32_t h, int value) {
            PageItem item;
            item.kind = kind;
            item.x = x / kTwipsPerInch;
            item.y = y / kTwipsPerInch;
            item.width = w / kTwipsPerInch;
            item.height = h / kTwipsPerInch;
            item.value = value;
            items.push_back(std::move(item));
        }
        void box(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int bits) {
            area(PageItem::Kind::Box, x, y, w, h, bits);
        }
        void shade(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, int percent) {
            area(PageItem::Kind::Shade, x, y, w, h, percent);
        }
    } collector;
    walk(page, collector);
    return std::move(collector.items);
}

std::vector<QString> PageListTexts(QByteArrayView page) {
    std::vector<QString> texts;
    for (PageItem &item : PageListItems(page))
        if (item.kind == PageItem::Kind::Text)
            texts.push_back(std::move(item.text));
    return texts;
}

} // namespace reports
