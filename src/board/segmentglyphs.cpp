#include "segmentglyphs.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace {

// Segments a to g, clockwise from the top, g in the middle.
enum Segment { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

constexpr std::array<int, 10> kDigitSegments = {
        A | B | C | D | E | F, // 0
        B | C, // 1
        A | B | G | E | D, // 2
        A | B | G | C | D, // 3
        F | G | B | C, // 4
        A | F | G | C | D, // 5
        A | F | G | E | D | C, // 6
        A | B | C, // 7
        A | B | C | D | E | F | G, // 8
        A | B | C | D | F | G, // 9
};

// Stroke of a segment and of the gap between two segments, as parts of the digit height.
constexpr double kStroke = 0.13;
constexpr double kGap = 0.12; // of the stroke
// Diameter of one LED of the dotted style, as a part of the digit height.
constexpr double kDot = 0.094;
// LEDs between two corners of a dotted digit.
constexpr int kDotsPerSegment = 3;
// How far the unlit shade goes from the background towards the lit colour.
constexpr double kUnlitShare = 0.14;

QColor mix(const QColor &from, const QColor &to, double share)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * share),
                            float(from.greenF() + (to.greenF() - from.greenF()) * share),
                            float(from.blueF() + (to.blueF() - from.blueF()) * share));
}

QColor scaled(const QColor &c, double factor)
{
    return QColor::fromRgbF(float(c.redF() * factor), float(c.greenF() * factor),
                            float(c.blueF() * factor));
}

// A bar with bevelled (pointed) ends from p to q, stroke t wide, shortened by gap at both ends.
QPolygonF bar(QPointF p, QPointF q, double t, double gap)
{
    const QPointF along = (q - p) / std::hypot(q.x() - p.x(), q.y() - p.y());
    const QPointF across(-along.y(), along.x());
    const QPointF s = p + along * gap;
    const QPointF e = q - along * gap;
    const double h = t / 2;
    return QPolygonF({s, s + along * h - across * h, e - along * h - across * h, e,
                      e - along * h + across * h, s + along * h + across * h});
}

} // namespace

int SegmentGlyphs::digitWidth(int height)
{
    return qMax(1, int(std::lround(height * DigitWidthRatio)));
}

int SegmentGlyphs::separatorWidth(int height)
{
    return qMax(1, int(std::lround(height * SeparatorWidthRatio)));
}

int SegmentGlyphs::cellWidth(QChar c, int height)
{
    return isSeparator(c) ? separatorWidth(height) : digitWidth(height);
}

struct SegmentGlyphs::Drawings
{
    Look look;
    QHash<int, QPixmap> cells;
};

namespace {

qint64 bytesOf(const SegmentGlyphs::Drawings &drawings)
{
    qint64 bytes = 0;
    for (const QPixmap &cell : drawings.cells)
        bytes += qint64(cell.width()) * cell.height() * (cell.depth() / 8);
    return bytes;
}

// The looks in use, each held by the displays that have it.
QList<std::weak_ptr<SegmentGlyphs::Drawings>> &looksInUse()
{
    static QList<std::weak_ptr<SegmentGlyphs::Drawings>> looks;
    return looks;
}

// The looks the displays left last, kept up to a budget of pixels, so that a board going back to
// a size it had (a window maximised and restored, a board shown full screen again) draws nothing.
constexpr qint64 kLeftLooksBudget = qint64(16) << 20; // bytes

QList<std::shared_ptr<SegmentGlyphs::Drawings>> &looksLeft()
{
    static QList<std::shared_ptr<SegmentGlyphs::Drawings>> looks;
    // Pixmaps go with the application, not after it.
    static const bool dropped = [] {
        qAddPostRoutine([] { looksLeft().clear(); });
        return true;
    }();
    Q_UNUSED(dropped);
    return looks;
}

// Keeps the drawings a display has just left when no other display has them, dropping the
// oldest kept beyond the budget.
void leave(std::shared_ptr<SegmentGlyphs::Drawings> drawings)
{
    if (!drawings || drawings.use_count() > 1)
        return;
    QList<std::shared_ptr<SegmentGlyphs::Drawings>> &looks = looksLeft();
    qint64 bytes = bytesOf(*drawings);
    if (bytes > kLeftLooksBudget)
        return;
    looks.prepend(std::move(drawings));
    qsizetype kept = 1;
    while (kept < looks.size() && (bytes += bytesOf(*looks.at(kept))) <= kLeftLooksBudget)
        ++kept;
    looks.resize(kept);
}

} // namespace

SegmentGlyphs::~SegmentGlyphs()
{
    leave(std::move(m_drawings));
}

void SegmentGlyphs::setLook(const Look &look)
{
    if (m_drawings && look == m_look)
        return;
    m_look = look;
    leave(std::move(m_drawings)); // leaves m_drawings empty
    QList<std::weak_ptr<Drawings>> &looks = looksInUse();
    looks.removeIf([](const std::weak_ptr<Drawings> &drawings) { return drawings.expired(); });
    for (const std::weak_ptr<Drawings> &drawings : std::as_const(looks)) {
        std::shared_ptr<Drawings> shared = drawings.lock();
        if (shared && shared->look == look) {
            looksLeft().removeOne(shared);
            m_drawings = std::move(shared);
            return;
        }
    }
    m_drawings = std::make_shared<Drawings>(Drawings {look, {}});
    looks.append(m_drawings);
}

QColor SegmentGlyphs::unlitColor() const
{
    return mix(m_look.back, m_look.lit, kUnlitShare);
}

void SegmentGlyphs::missing(QChar c, bool lit, QList<Cell> &out)
{
    if (!m_drawings)
        setLook(m_look);
    const int key = (c.unicode() << 1) | (lit ? 1 : 0);
    if (m_drawings->cells.contains(key))
        return;
    for (const Cell &cell : std::as_const(out)) {
        if (cell.drawings == m_drawings && cell.c == c && cell.lit == lit)
            return;
    }
    out.append({m_drawings, c, lit});
}

QImage SegmentGlyphs::draw(const Cell &cell)
{
    return render(cell.drawings->look, cell.c, cell.lit);
}

void SegmentGlyphs::keep(const Cell &cell, QImage drawing)
{
    cell.drawings->cells.insert((cell.c.unicode() << 1) | (cell.lit ? 1 : 0),
                                QPixmap::fromImage(std::move(drawing)));
}

QPixmap SegmentGlyphs::glyph(QChar c, bool lit)
{
    if (!m_drawings)
        setLook(m_look);
    const int key = (c.unicode() << 1) | (lit ? 1 : 0);
    auto found = m_drawings->cells.constFind(key);
    if (found != m_drawings->cells.constEnd())
        return *found;
    const QPixmap pixmap = QPixmap::fromImage(render(m_look, c, lit));
    m_drawings->cells.insert(key, pixmap);
    return pixmap;
}

QImage SegmentGlyphs::render(const Look &look, QChar c, bool lit)
{
    const int h = qMax(1, look.height);
    const int w = cellWidth(c, h);
    QImage pixmap(QSize(w, h) * look.pixelRatio, QImage::Format_ARGB32_Premultiplied);
    pixmap.setDevicePixelRatio(look.pixelRatio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const QColor unlit = mix(look.back, look.lit, kUnlitShare);
    const QColor &on = look.lit;
    const bool dots = look.style == Dots;
    const double t = h * kStroke;
    const double d = h * kDot;

    // A lit LED bar is brightest along its middle and a round LED at its centre, as real ones are.
    auto paintBar = [&](const QPolygonF &shape, QPointF p, QPointF q, bool on_) {
        if (!on_) {
            painter.setBrush(unlit);
        } else {
            const QPointF along = (q - p) / std::hypot(q.x() - p.x(), q.y() - p.y());
            const QPointF mid = (p + q) / 2;
            const QPointF across(-along.y() * t / 2, along.x() * t / 2);
            QLinearGradient shade(mid - across, mid + across);
            shade.setColorAt(0, scaled(on, 0.78));
            shade.setColorAt(0.5, mix(on, Qt::white, 0.28));
            shade.setColorAt(1, scaled(on, 0.78));
            painter.setBrush(shade);
        }
        painter.drawPolygon(shape);
    };
    auto paintDot = [&](QPointF centre, double diameter, bool on_) {
        if (!on_) {
            painter.setBrush(unlit);
        } else {
            QRadialGradient shade(centre, diameter / 2,
                                  centre - QPointF(diameter, diameter) * 0.12);
            shade.setColorAt(0, mix(on, Qt::white, 0.45));
            shade.setColorAt(0.55, on);
            shade.setColorAt(1, scaled(on, 0.72));
            painter.setBrush(shade);
        }
        painter.drawEllipse(centre, diameter / 2, diameter / 2);
    };

    if (isSeparator(c)) {
        const double x = w / 2.0;
        QList<double> rows;
        if (c == QLatin1Char(':'))
            rows = {h * 0.3, h * 0.7};
        else
            rows = {h - (dots ? d : t) / 2};
        for (double y : rows) {
            if (dots) {
                paintDot(QPointF(x, y), d * 1.15, lit);
            } else {
                // A square LED with bevelled corners, the same stroke as the segments.
                const QPointF centre(x, y);
                const double r = t / 2;
                const double cut = t * 0.22;
                QPolygonF square({centre + QPointF(-r + cut, -r), centre + QPointF(r - cut, -r),
                                  centre + QPointF(r, -r + cut), centre + QPointF(r, r - cut),
                                  centre + QPointF(r - cut, r), centre + QPointF(-r + cut, r),
                                  centre + QPointF(-r, r - cut), centre + QPointF(-r, -r + cut)});
                paintBar(square, centre - QPointF(r, 0), centre + QPointF(r, 0), lit);
            }
        }
        return pixmap;
    }

    const int segments = c.isDigit() ? kDigitSegments.at(c.digitValue()) : 0;

    // Corners of the digit: left/right by top/middle/bottom.
    const double inset = dots ? d / 2 : t / 2;
    const double x0 = inset;
    const double x1 = w - inset;
    const double y0 = inset;
    const double ym = h / 2.0;
    const double y1 = h - inset;
    struct Span
    {
        Segment segment;
        QPointF from;
        QPointF to;
    };
    const std::array<Span, 7> spans = {{
            {A, {x0, y0}, {x1, y0}},
            {B, {x1, y0}, {x1, ym}},
            {C, {x1, ym}, {x1, y1}},
            {D, {x0, y1}, {x1, y1}},
            {E, {x0, ym}, {x0, y1}},
            {F, {x0, y0}, {x0, ym}},
            {G, {x0, ym}, {x1, ym}},
    }};

    if (!dots) {
        for (const Span &span : spans) {
            paintBar(bar(span.from, span.to, t, t * kGap), span.from, span.to,
                     (segments & span.segment) != 0);
        }
        return pixmap;
    }

    // Each segment is a row of round LEDs; the LED at a corner belongs to every segment that
    // meets there and lights with any of them.
    QHash<quint64, bool> corners;
    auto cornerKey = [](QPointF p) {
        return (quint64(std::lround(p.x() * 64)) << 32) | quint64(std::lround(p.y() * 64));
    };
    for (const Span &span : spans) {
        const bool on_ = (segments & span.segment) != 0;
        corners[cornerKey(span.from)] |= on_;
        corners[cornerKey(span.to)] |= on_;
        for (int i = 1; i <= kDotsPerSegment; ++i) {
            const double f = double(i) / (kDotsPerSegment + 1);
            paintDot(span.from + (span.to - span.from) * f, d, on_);
        }
    }
    for (const QPointF corner : {QPointF(x0, y0), QPointF(x1, y0), QPointF(x0, ym), QPointF(x1, ym),
                                 QPointF(x0, y1), QPointF(x1, y1)}) {
        paintDot(corner, d, corners.value(cornerKey(corner)));
    }
    return pixmap;
}
