// Generates the pictures bundled into Tarnwick's resources: the window/exe
// icon and the contact and support pictures shown in the About dialog.
//
// Everything is drawn procedurally so the artwork can be rebuilt from source
// at any time; the output is byte-for-byte reproducible (fixed seeds, no
// timestamps, no system randomness) so regenerating never produces spurious
// diffs in the repository.
//
// Usage: tarnwick_imagegen OUTPUT_DIR
//        tarnwick_imagegen --icons OUTPUT_DIR
// The second form writes the application icon as tarnwick-SIZE.png for the
// desktop icon theme instead.

#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QVector>

#include <cstdio>

namespace {

// The application's accent colours.
const QColor kTeal(0x8F, 0xDB, 0xE0);
const QColor kCoral(0xE0, 0x85, 0x66);
// Neutrals that go with them.
const QColor kInk(0x1B, 0x26, 0x30);
const QColor kInkSoft(0x2A, 0x3A, 0x46);
const QColor kPaper(0xF7, 0xF4, 0xEF);
const QColor kMuted(0x6B, 0x7B, 0x86);

// Small deterministic generator: the patterns must not change between runs
// or between Qt versions, so QRandomGenerator (whose algorithm is not
// guaranteed) is deliberately avoided.
class XorShift
{
public:
    explicit XorShift(const QByteArray &seed)
    {
        quint32 h = 2166136261u; // FNV-1a
        for (char c : seed) {
            h ^= static_cast<quint8>(c);
            h *= 16777619u;
        }
        state_ = h ? h : 0x9E3779B9u;
    }
    quint32 next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    bool coin() { return (next() >> 11) & 1u; }

private:
    quint32 state_;
};

QFont makeFont(const QString &family, qreal px, int weight)
{
    QFont f(family);
    f.setPixelSize(qMax(1, qRound(px)));
    f.setWeight(weight);
    f.setStyleStrategy(QFont::PreferAntialias);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QFont sans(qreal px, int weight = QFont::Normal)
{
    return makeFont(QStringLiteral("DejaVu Sans"), px, weight);
}
QFont mono(qreal px, int weight = QFont::Normal)
{
    return makeFont(QStringLiteral("DejaVu Sans Mono"), px, weight);
}

void drawCentred(QPainter &p, const QRectF &r, const QString &text, const QFont &font,
                 const QColor &c)
{
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// ---------------------------------------------------------------------------
// Code-like square pattern. It borrows the look of a 2D barcode (corner
// finder eyes, timing rows, an alignment mark) but the modules are just
// noise from a fixed seed: it is decoration and decodes to nothing.

struct CodePattern
{
    int n = 0;
    QVector<char> on;       // module is dark
    QVector<char> reserved; // belongs to eyes/timing/centre badge, drawn separately

    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < n && y < n && on[y * n + x]; }
};

CodePattern makePattern(int n, const QByteArray &seed, int badgeModules)
{
    CodePattern cp;
    cp.n = n;
    cp.on.fill(0, n * n);
    cp.reserved.fill(0, n * n);
    auto reserve = [&](int x0, int y0, int w, int h) {
        for (int y = qMax(0, y0); y < qMin(n, y0 + h); ++y)
            for (int x = qMax(0, x0); x < qMin(n, x0 + w); ++x)
                cp.reserved[y * n + x] = 1;
    };
    // Finder eyes plus their one-module separators.
    reserve(0, 0, 8, 8);
    reserve(n - 8, 0, 8, 8);
    reserve(0, n - 8, 8, 8);
    // Alignment mark near the bottom-right corner.
    reserve(n - 9, n - 9, 5, 5);
    // Free square in the middle for the badge.
    const int b0 = (n - badgeModules) / 2;
    reserve(b0, b0, badgeModules, badgeModules);

    XorShift rng(seed);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int i = y * n + x;
            if (cp.reserved[i])
                continue;
            if (y == 6 || x == 6) {
                // Timing row/column: strict alternation like the real thing.
                cp.on[i] = ((x + y) % 2 == 0);
                cp.reserved[i] = 2;
                continue;
            }
            cp.on[i] = rng.coin();
        }
    }
    return cp;
}

// The "0x" badge: a rounded tile with the hex prefix, used as the app mark.
void drawHexBadge(QPainter &p, const QRectF &r, bool onDark)
{
    const qreal rad = r.width() * 0.22;
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, onDark ? kInkSoft : QColor(0x26, 0x36, 0x42));
    g.setColorAt(1, kInk);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, rad, rad);

    // Two-tone prefix: digit in teal, the 'x' in coral.
    const QFont f = mono(r.height() * 0.42, QFont::Bold);
    QFontMetricsF fm(f);
    const qreal w0 = fm.horizontalAdvance(QStringLiteral("0"));
    const qreal wx = fm.horizontalAdvance(QStringLiteral("x"));
    const qreal x = r.center().x() - (w0 + wx) / 2;
    const qreal base = r.top() + r.height() * 0.58;
    p.setFont(f);
    p.setPen(kTeal);
    p.drawText(QPointF(x, base), QStringLiteral("0"));
    p.setPen(kCoral);
    p.drawText(QPointF(x + w0, base), QStringLiteral("x"));

    // A row of bit cells underneath.
    const int cells = 8;
    const qreal pad = r.width() * 0.16;
    const qreal gap = r.width() * 0.025;
    const qreal cw = (r.width() - 2 * pad - gap * (cells - 1)) / cells;
    const qreal cy = r.top() + r.height() * 0.68;
    const qreal ch = r.height() * 0.13;
    const int bits = 0xB4; // 1011 0100
    for (int i = 0; i < cells; ++i) {
        const QRectF c(r.left() + pad + i * (cw + gap), cy, cw, ch);
        const bool set = (bits >> (cells - 1 - i)) & 1;
        p.setBrush(set ? kTeal : QColor(0x3D, 0x52, 0x60));
        p.drawRoundedRect(c, cw * 0.25, cw * 0.25);
    }
}

void drawEye(QPainter &p, qreal x, qreal y, qreal m, const QColor &outer, const QColor &inner,
             const QColor &bg)
{
    const QRectF o(x, y, 7 * m, 7 * m);
    p.setPen(Qt::NoPen);
    p.setBrush(outer);
    p.drawRoundedRect(o, 2.0 * m, 2.0 * m);
    p.setBrush(bg);
    p.drawRoundedRect(o.adjusted(m, m, -m, -m), 1.3 * m, 1.3 * m);
    p.setBrush(inner);
    p.drawRoundedRect(o.adjusted(2 * m, 2 * m, -2 * m, -2 * m), 0.9 * m, 0.9 * m);
}

// Draws the pattern filling the square `area` (quiet zone not included).
void drawPattern(QPainter &p, const QRectF &area, const CodePattern &cp, const QColor &dark,
                 const QColor &eyeOuter, const QColor &eyeInner, const QColor &bg, int badgeModules)
{
    const int n = cp.n;
    const qreal m = area.width() / n;
    p.setPen(Qt::NoPen);

    // Data modules as soft rounded dots; horizontally/vertically adjacent dots
    // are bridged so runs read as connected strokes rather than confetti.
    p.setBrush(dark);
    const qreal inset = m * 0.08;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!cp.at(x, y))
                continue;
            const QRectF cell(area.left() + x * m, area.top() + y * m, m, m);
            p.drawRoundedRect(cell.adjusted(inset, inset, -inset, -inset), m * 0.38, m * 0.38);
            if (cp.at(x + 1, y))
                p.drawRect(QRectF(cell.center().x(), cell.top() + inset, m, m - 2 * inset));
            if (cp.at(x, y + 1))
                p.drawRect(QRectF(cell.left() + inset, cell.center().y(), m - 2 * inset, m));
            // Solid 2x2 blocks would otherwise keep a pinhole in the middle.
            if (cp.at(x + 1, y) && cp.at(x, y + 1) && cp.at(x + 1, y + 1))
                p.drawRect(QRectF(cell.center().x(), cell.center().y(), m, m));
        }
    }

    drawEye(p, area.left(), area.top(), m, eyeOuter, eyeInner, bg);
    drawEye(p, area.left() + (n - 7) * m, area.top(), m, eyeOuter, eyeInner, bg);
    drawEye(p, area.left(), area.top() + (n - 7) * m, m, eyeOuter, eyeInner, bg);

    // Alignment mark.
    const QRectF a(area.left() + (n - 9) * m, area.top() + (n - 9) * m, 5 * m, 5 * m);
    p.setBrush(dark);
    p.drawRoundedRect(a, 1.4 * m, 1.4 * m);
    p.setBrush(bg);
    p.drawRoundedRect(a.adjusted(m, m, -m, -m), 0.8 * m, 0.8 * m);
    p.setBrush(dark);
    p.drawEllipse(a.adjusted(2 * m, 2 * m, -2 * m, -2 * m));

    // Centre badge, with a ring of background around it.
    const int b0 = (n - badgeModules) / 2;
    const QRectF br(area.left() + b0 * m, area.top() + b0 * m, badgeModules * m, badgeModules * m);
    p.setBrush(bg);
    p.drawRoundedRect(br, m, m);
    drawHexBadge(p, br.adjusted(m * 0.6, m * 0.6, -m * 0.6, -m * 0.6), false);
}

// Faint bit-grid texture for backgrounds.
void drawBitGrid(QPainter &p, const QRectF &r, qreal step, const QColor &c)
{
    p.save();
    p.setClipRect(r);
    QPen pen(c);
    pen.setWidthF(1.0);
    p.setPen(pen);
    for (qreal x = r.left() + step; x < r.right(); x += step)
        p.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    for (qreal y = r.top() + step; y < r.bottom(); y += step)
        p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    p.restore();
}

// A register diagram: 32 numbered bit cells grouped into fields.
void drawRegisterStrip(QPainter &p, const QRectF &r, quint32 value, bool onDark)
{
    struct Field
    {
        int hi, lo;
        QColor colour;
    };
    const Field fields[] = {
        {31, 24, kCoral}, {23, 16, kTeal}, {15, 12, kCoral}, {11, 4, kTeal}, {3, 0, kCoral},
    };
    const qreal gap = r.width() * 0.004;
    const qreal cw = (r.width() - gap * 31) / 32;
    const qreal labelH = r.height() * 0.36;
    const QRectF cells(r.left(), r.top() + labelH, r.width(), r.height() - labelH);
    const QColor text = onDark ? QColor(0xC9, 0xD6, 0xDC) : kMuted;

    p.setPen(Qt::NoPen);
    for (const Field &f : fields) {
        const qreal x0 = r.left() + (31 - f.hi) * (cw + gap);
        const qreal x1 = r.left() + (31 - f.lo) * (cw + gap) + cw;
        QColor band = f.colour;
        band.setAlpha(onDark ? 70 : 55);
        p.setBrush(band);
        p.drawRoundedRect(QRectF(x0, cells.top() - labelH * 0.18, x1 - x0, labelH * 0.12), 2, 2);
    }
    const QFont numFont = mono(labelH * 0.55);
    const QFont bitFont = mono(cells.height() * 0.52, QFont::Bold);
    for (int i = 0; i < 32; ++i) {
        const int bit = 31 - i;
        const QRectF c(r.left() + i * (cw + gap), cells.top(), cw, cells.height());
        QColor fieldColour = kTeal;
        for (const Field &f : fields)
            if (bit <= f.hi && bit >= f.lo)
                fieldColour = f.colour;
        const bool set = (value >> bit) & 1u;
        QColor fill = fieldColour;
        if (!set)
            fill.setAlpha(onDark ? 45 : 40);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(c, cw * 0.18, cw * 0.18);
        drawCentred(p, c, set ? QStringLiteral("1") : QStringLiteral("0"), bitFont,
                    set ? kInk : (onDark ? QColor(0x9F, 0xB3, 0xBC) : kMuted));
        if (bit % 4 == 3 || bit == 0)
            drawCentred(p, QRectF(c.left() - cw, r.top(), cw * 3, labelH * 0.8),
                        QString::number(bit), numFont, text);
    }
}

// ---------------------------------------------------------------------------
// Individual pictures.

// The application icon at `size` pixels square. The design is laid out on a
// 48 px grid; at other sizes the lines and the bit cells are snapped to whole
// pixels so the edges stay crisp. At 48 px the result is exactly the window
// icon.
QImage makeIcon(int size = 48)
{
    const qreal k = size / 48.0;
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Tile, its outline centred on a pixel boundary.
    const int line = qMax(1, qRound(k));
    const qreal inset = qRound(1.5 * k - line / 2.0) + line / 2.0;
    const QRectF tile(inset, inset, size - 2 * inset, size - 2 * inset);
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, QColor(0x2C, 0x3F, 0x4C));
    g.setColorAt(1, QColor(0x16, 0x20, 0x28));
    QPen edge(QColor(0x0E, 0x15, 0x1A));
    edge.setWidthF(line);
    p.setPen(edge);
    p.setBrush(g);
    p.drawRoundedRect(tile, 9 * k, 9 * k);
    // Top highlight for a bit of depth.
    QPen hi(QColor(255, 255, 255, 40));
    hi.setWidthF(line);
    p.setPen(hi);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(tile.adjusted(line, line, -line, -line), 8 * k, 8 * k);

    // "0x" prefix.
    const QFont f = mono(21 * k, QFont::Bold);
    QFontMetricsF fm(f);
    const qreal w0 = qRound(fm.horizontalAdvance(QStringLiteral("0")));
    const qreal wx = qRound(fm.horizontalAdvance(QStringLiteral("x")));
    const qreal x = qRound(size / 2.0 - (w0 + wx) / 2);
    const qreal base = qRound(25 * k);
    p.setFont(f);
    p.setPen(kTeal);
    p.drawText(QPointF(x, base), QStringLiteral("0"));
    p.setPen(kCoral);
    p.drawText(QPointF(x + w0, base), QStringLiteral("x"));

    // Eight nibble cells of a 32-bit register, pixel aligned and centred on
    // the tile.
    p.setPen(Qt::NoPen);
    const int pitch = qRound(5 * k);
    const int cellW = qRound(3 * k);
    const int cellH = qRound(9 * k);
    const int cellY = qRound(31 * k);
    const int cellX = qRound((size - (7 * pitch + cellW)) / 2.0);
    const int bits = 0xB4; // 1011 0100
    for (int i = 0; i < 8; ++i) {
        const bool set = (bits >> (7 - i)) & 1;
        const bool accent = (i == 2);
        p.setBrush(accent ? kCoral : (set ? kTeal : QColor(0x45, 0x5B, 0x69)));
        p.drawRoundedRect(QRectF(cellX + i * pitch, cellY, cellW, cellH), 0.8 * k, 0.8 * k);
    }
    p.end();
    return img;
}

QImage makeCodeCard(int size, const QByteArray &seed, const QString &title, const QString &caption,
                    const QColor &eye, int modules)
{
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(kPaper);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const qreal s = size / 430.0;

    // Soft vertical wash with a faint bit grid.
    QLinearGradient bg(0, 0, 0, size);
    bg.setColorAt(0, QColor(0xFB, 0xF9, 0xF5));
    bg.setColorAt(1, QColor(0xEF, 0xF3, 0xF2));
    p.fillRect(img.rect(), bg);
    drawBitGrid(p, QRectF(0, 0, size, size), 16 * s, QColor(0x8F, 0xDB, 0xE0, 28));

    // Header strip.
    const QRectF header(0, 0, size, 44 * s);
    p.fillRect(header, kInk);
    p.fillRect(QRectF(0, header.bottom(), size, 3 * s), kTeal);
    drawHexBadge(p, QRectF(12 * s, 7 * s, 30 * s, 30 * s), true);
    p.setFont(sans(17 * s, QFont::Bold));
    p.setPen(QColor(0xF2, 0xF5, 0xF6));
    p.drawText(QRectF(52 * s, 0, size - 64 * s, header.height()), Qt::AlignVCenter | Qt::AlignLeft,
               title);

    // White card holding the pattern.
    const int quiet = 2;
    const qreal codeSide = 300 * s;
    const qreal m = codeSide / (modules + 2 * quiet);
    const qreal side = m * (modules + 2 * quiet);
    const QRectF card((size - side) / 2, 62 * s, side, side);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 18));
    p.drawRoundedRect(card.translated(0, 3 * s), 14 * s, 14 * s);
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 14 * s, 14 * s);

    const CodePattern cp = makePattern(modules, seed, 7);
    const QRectF area = card.adjusted(quiet * m, quiet * m, -quiet * m, -quiet * m);
    drawPattern(p, area, cp, kInk, eye, kInk, Qt::white, 7);

    // Caption.
    drawCentred(p, QRectF(0, card.bottom() + 10 * s, size, 26 * s), caption,
                sans(15 * s, QFont::DemiBold), kInk);
    drawCentred(p, QRectF(0, card.bottom() + 34 * s, size, 20 * s),
                QStringLiteral("Tarnwick register calculator"), sans(11.5 * s), kMuted);
    p.end();
    return img;
}

// Support card with transparent rounded corners and a soft shadow (RGBA PNG).
QImage makeSupportCardLight()
{
    const int W = 745, H = 1022;
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF card(24, 20, W - 48, H - 52);
    const qreal rad = 36;

    // Layered translucent shadow.
    p.setPen(Qt::NoPen);
    for (int i = 8; i >= 1; --i) {
        p.setBrush(QColor(0x10, 0x1A, 0x22, 7));
        p.drawRoundedRect(card.adjusted(-i * 1.5, -i * 1.0 + 6, i * 1.5, i * 1.5 + 6), rad + i,
                          rad + i);
    }

    QPainterPath clip;
    clip.addRoundedRect(card, rad, rad);
    p.save();
    p.setClipPath(clip);
    p.fillRect(card, kPaper);

    // Header band.
    const QRectF band(card.left(), card.top(), card.width(), 250);
    QLinearGradient hg(band.topLeft(), band.bottomRight());
    hg.setColorAt(0, QColor(0x24, 0x36, 0x42));
    hg.setColorAt(1, kInk);
    p.fillRect(band, hg);
    drawBitGrid(p, band, 24, QColor(0x8F, 0xDB, 0xE0, 22));
    // Decorative hex words fading into the band.
    p.setFont(mono(20));
    const char *words[] = {"0xDEADBEEF", "0x0000FFFF", "0x40021000", "0xA5A5A5A5"};
    for (int i = 0; i < 4; ++i) {
        p.setPen(QColor(0x8F, 0xDB, 0xE0, 30 + 8 * i));
        p.drawText(QPointF(card.left() + 400 + (i % 2) * 120, card.top() + 50 + i * 30),
                   QString::fromLatin1(words[i]));
    }
    p.fillRect(QRectF(band.left(), band.bottom() - 6, band.width(), 6), kCoral);
    p.restore();

    drawHexBadge(p, QRectF(card.left() + 56, card.top() + 52, 96, 96), true);
    p.setFont(sans(40, QFont::Bold));
    p.setPen(QColor(0xF4, 0xF7, 0xF8));
    p.drawText(QPointF(card.left() + 56, card.top() + 196),
               QStringLiteral("Support the developer"));
    p.setFont(sans(19));
    p.setPen(QColor(0x8F, 0xDB, 0xE0));
    p.drawText(QPointF(card.left() + 58, card.top() + 228),
               QStringLiteral("Keep Tarnwick flipping bits"));

    // Register illustration.
    drawRegisterStrip(p, QRectF(card.left() + 46, card.top() + 284, card.width() - 92, 62),
                      0x8FDBE085u, false);

    // Pattern panel.
    const int modules = 29, quiet = 2;
    const qreal m = 13;
    const qreal side = m * (modules + 2 * quiet);
    const QRectF panel(card.center().x() - side / 2, card.top() + 384, side, side);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 16));
    p.drawRoundedRect(panel.translated(0, 4), 22, 22);
    p.setBrush(Qt::white);
    p.drawRoundedRect(panel, 22, 22);
    QPen ring(QColor(0x8F, 0xDB, 0xE0));
    ring.setWidthF(3);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(-8, -8, 8, 8), 28, 28);
    const CodePattern cp = makePattern(modules, QByteArrayLiteral("tarnwick/support/light"), 7);
    drawPattern(p, panel.adjusted(quiet * m, quiet * m, -quiet * m, -quiet * m), cp, kInk, kCoral,
                kInk, Qt::white, 7);

    // Footer.
    const qreal fy = panel.bottom() + 34;
    drawCentred(p, QRectF(card.left(), fy, card.width(), 34),
                QStringLiteral("Thank you for using Tarnwick"), sans(24, QFont::DemiBold), kInk);
    drawCentred(p, QRectF(card.left(), fy + 38, card.width(), 26),
                QStringLiteral("Every contribution helps keep the project going"), sans(16),
                kMuted);
    p.end();
    return img;
}

// Dark variant for the second support picture.
QImage makeSupportCardDark()
{
    const int W = 720, H = 1120;
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient bg(0, 0, 0, H);
    bg.setColorAt(0, QColor(0x22, 0x33, 0x3F));
    bg.setColorAt(1, QColor(0x12, 0x1B, 0x22));
    p.fillRect(img.rect(), bg);
    drawBitGrid(p, QRectF(0, 0, W, H), 30, QColor(0x8F, 0xDB, 0xE0, 16));

    // Glow behind the title.
    QRadialGradient glow(QPointF(W / 2.0, 150), 300);
    glow.setColorAt(0, QColor(0xE0, 0x85, 0x66, 60));
    glow.setColorAt(1, QColor(0xE0, 0x85, 0x66, 0));
    p.fillRect(QRectF(0, 0, W, 460), glow);

    drawHexBadge(p, QRectF(W / 2.0 - 56, 64, 112, 112), true);
    drawCentred(p, QRectF(0, 196, W, 56), QStringLiteral("Buy the developer a coffee"),
                sans(36, QFont::Bold), QColor(0xF4, 0xF7, 0xF8));
    drawCentred(p, QRectF(0, 252, W, 30), QStringLiteral("A small tip keeps the registers ticking"),
                sans(19), kTeal);

    drawRegisterStrip(p, QRectF(48, 316, W - 96, 64), 0xE0856600u | 0x8Fu, true);

    // Pattern panel.
    const int modules = 33, quiet = 2;
    const qreal m = 13;
    const qreal side = m * (modules + 2 * quiet);
    const QRectF panel(W / 2.0 - side / 2, 420, side, side);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(panel.translated(0, 6), 24, 24);
    p.setBrush(kPaper);
    p.drawRoundedRect(panel, 24, 24);
    QPen ring(kCoral);
    ring.setWidthF(3);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(-9, -9, 9, 9), 31, 31);
    const CodePattern cp = makePattern(modules, QByteArrayLiteral("tarnwick/support/dark"), 9);
    drawPattern(p, panel.adjusted(quiet * m, quiet * m, -quiet * m, -quiet * m), cp, kInk, kTeal,
                kCoral, kPaper, 9);

    const qreal fy = panel.bottom() + 40;
    drawCentred(p, QRectF(0, fy, W, 34), QStringLiteral("Thank you!"), sans(28, QFont::Bold),
                kCoral);
    drawCentred(p, QRectF(0, fy + 42, W, 26), QStringLiteral("Tarnwick register calculator"),
                sans(17), QColor(0xA9, 0xBC, 0xC4));
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// Output.

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void put32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// Writes a single-image 32-bpp .ico by hand: Qt's ico plugin is not always
// installed and its output layout is not under our control.
bool writeIco(const QImage &src, const QString &path)
{
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    const quint32 xorBytes = quint32(w * h * 4);
    const quint32 andBytes = quint32(maskStride * h);
    const quint32 dibBytes = 40 + xorBytes + andBytes;

    QByteArray b;
    // ICONDIR
    put16(b, 0); // reserved
    put16(b, 1); // type: icon
    put16(b, 1); // image count
    // ICONDIRENTRY
    b.append(char(w >= 256 ? 0 : w));
    b.append(char(h >= 256 ? 0 : h));
    b.append(char(0)); // palette size
    b.append(char(0)); // reserved
    put16(b, 1);       // planes
    put16(b, 32);      // bits per pixel
    put32(b, dibBytes);
    put32(b, 6 + 16); // offset of the image data
    // BITMAPINFOHEADER; height counts the XOR and AND bitmaps together.
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h * 2));
    put16(b, 1);
    put16(b, 32);
    put32(b, 0); // BI_RGB
    put32(b, xorBytes + andBytes);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    // Colour bitmap: BGRA, bottom-up.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            b.append(char(qBlue(line[x])));
            b.append(char(qGreen(line[x])));
            b.append(char(qRed(line[x])));
            b.append(char(qAlpha(line[x])));
        }
    }
    // AND mask: 1 = transparent. Readers honouring only the mask still get the
    // rounded corners right.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) == 0)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b.append(row);
    }

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(b) == b.size();
}

bool writeJpeg(const QImage &img, const QString &path)
{
    QImageWriter w(path, "jpeg");
    w.setQuality(88);
    w.setOptimizedWrite(false);
    w.setProgressiveScanWrite(false);
    return w.write(img.convertToFormat(QImage::Format_RGB32));
}

bool writePng(const QImage &img, const QString &path)
{
    QImageWriter w(path, "png");
    // Qt maps PNG "quality" onto zlib levels: 0 means smallest output.
    w.setQuality(0);
    return w.write(img.convertToFormat(QImage::Format_ARGB32));
}

} // namespace

int main(int argc, char **argv)
{
    // Needs no display: the offscreen platform is enough for font rendering.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const bool icons = argc == 3 && qstrcmp(argv[1], "--icons") == 0;
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s [--icons] OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const char *outArg = argv[argc - 1];
    const QString outDir = QString::fromLocal8Bit(outArg);
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", outArg);
        return 1;
    }
    const QDir dir(outDir);

    if (icons) {
        // 48 is the window icon itself; the larger ones serve high-density
        // screens and software centres.
        int failures = 0;
        for (int size : {48, 64, 128, 256}) {
            const QString name = QStringLiteral("tarnwick-%1.png").arg(size);
            const bool ok = writePng(makeIcon(size), dir.filePath(name));
            std::printf("%-24s %s\n", qPrintable(name), ok ? "written" : "FAILED");
            if (!ok)
                ++failures;
        }
        return failures ? 1 : 0;
    }

    struct Job
    {
        const char *name;
        bool ok;
    };
    const Job jobs[] = {
        {"favicon.ico", writeIco(makeIcon(), dir.filePath(QStringLiteral("favicon.ico")))},
        {"20200420212546.jpg",
         writeJpeg(makeCodeCard(430, QByteArrayLiteral("tarnwick/contact/group"),
                                QStringLiteral("Tarnwick community"),
                                QStringLiteral("Join the discussion group"), kTeal, 29),
                   dir.filePath(QStringLiteral("20200420212546.jpg")))},
        {"20200420212601.png",
         writePng(makeSupportCardLight(), dir.filePath(QStringLiteral("20200420212601.png")))},
        {"20200420212624.jpg",
         writeJpeg(makeSupportCardDark(), dir.filePath(QStringLiteral("20200420212624.jpg")))},
        {"20200222113807.jpg",
         writeJpeg(makeCodeCard(600, QByteArrayLiteral("tarnwick/contact/developer"),
                                QStringLiteral("Tarnwick developer"),
                                QStringLiteral("Get in touch with the developer"), kCoral, 33),
                   dir.filePath(QStringLiteral("20200222113807.jpg")))},
        {"QQ20200221232330.jpg",
         writeJpeg(makeCodeCard(430, QByteArrayLiteral("tarnwick/contact/chat"),
                                QStringLiteral("Tarnwick chat"),
                                QStringLiteral("Chat with other users"), kCoral, 29),
                   dir.filePath(QStringLiteral("QQ20200221232330.jpg")))},
    };

    int failures = 0;
    for (const Job &j : jobs) {
        std::printf("%-24s %s\n", j.name, j.ok ? "written" : "FAILED");
        if (!j.ok)
            ++failures;
    }
    return failures ? 1 : 0;
}
