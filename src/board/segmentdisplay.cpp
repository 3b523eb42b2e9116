#include "segmentdisplay.h"
#include "platformcolor.h"
#include "twips.h"
#include "virtualkeys.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace {

int clampColor(int color)
{
    return qBound(0, color, 0x00FFFFFF);
}

// Screen readers get the shown characters as the display's value.
class SegmentDisplayAccessible final : public QAccessibleWidget
{
public:
    explicit SegmentDisplayAccessible(SegmentDisplay *display)
        : QAccessibleWidget(display, QAccessible::StaticText)
    { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<SegmentDisplay *>(widget())->Text();
        if (t == QAccessible::Name && !widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        if (t == QAccessible::Name)
            return widget()->objectName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *accessibleFactory(const QString &, QObject *object)
{
    if (auto *display = qobject_cast<SegmentDisplay *>(object))
        return new SegmentDisplayAccessible(display);
    return nullptr;
}

} // namespace

SegmentDisplay::SegmentDisplay(QWidget *parent)
    : BoardWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The display's size comes from its digit size and paddings, not from a layout.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

SegmentDisplay::~SegmentDisplay() = default;

void SegmentDisplay::setBorderColor(int color)
{
    color = clampColor(color);
    if (color == m_borderColor)
        return;
    m_borderColor = color;
    update();
}

void SegmentDisplay::setBackColor(int color)
{
    color = clampColor(color);
    if (color == m_backColor)
        return;
    m_backColor = color;
    update();
}

void SegmentDisplay::setLitColor(int color)
{
    color = clampColor(color);
    if (color == m_litColor)
        return;
    m_litColor = color;
    update();
}

void SegmentDisplay::setLedType(int ledType)
{
    ledType = qBound(int(SegmentGlyphs::Lines), ledType, int(SegmentGlyphs::Dots));
    if (ledType == m_ledType)
        return;
    m_ledType = ledType;
    update();
}

void SegmentDisplay::setSize(int size)
{
    size = qBound(1, size, LargestSize);
    if (size == m_size)
        return;
    m_size = size;
    relayout();
}

void SegmentDisplay::setPaddingH(int twips)
{
    twips = qBound(0, twips, LargestPadding);
    if (twips == m_paddingH)
        return;
    m_paddingH = twips;
    relayout();
}

void SegmentDisplay::setPaddingV(int twips)
{
    twips = qBound(0, twips, LargestPadding);
    if (twips == m_paddingV)
        return;
    m_paddingV = twips;
    relayout();
}

void SegmentDisplay::setPaddingI(int twips)
{
    twips = qBound(0, twips, LargestPadding);
    if (twips == m_paddingI)
        return;
    m_paddingI = twips;
    relayout();
}

void SegmentDisplay::setSeparatorPadding(int twips)
{
    twips = qBound(0, twips, LargestPadding);
    if (twips == m_paddingD)
        return;
    m_paddingD = twips;
    relayout();
}

void SegmentDisplay::setPattern(const QString &pattern)
{
    if (pattern == m_pattern)
        return;
    m_pattern = pattern;
    relayout();
}

void SegmentDisplay::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_text);
        QAccessible::updateAccessibility(&event);
    }
}

// Two digits are PaddingI apart; a separator has PaddingD on each side.
double SegmentDisplay::contentWidth(const QString &cells) const
{
    double width = 0;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) {
            const bool separated = SegmentGlyphs::isSeparator(cells.at(i))
                    || SegmentGlyphs::isSeparator(cells.at(i - 1));
            width += (separated ? m_paddingD : m_paddingI) / double(Twips::perPixel);
        }
        width += SegmentGlyphs::cellWidth(cells.at(i), m_size);
    }
    return width;
}

QSize SegmentDisplay::sizeHint() const
{
    const double width = 2 * m_paddingH / double(Twips::perPixel) + contentWidth(m_pattern);
    const double height = m_size + 2 * m_paddingV / double(Twips::perPixel);
    return QSize(qMax(1, int(std::lround(width))), qMax(1, int(std::lround(height))));
}

void SegmentDisplay::relayout()
{
    setPixelSize(sizeHint());
    update();
}

int SegmentDisplay::borderWidth() const
{
    return qMax(1, int(std::lround(m_size / 32.0)));
}

void SegmentDisplay::followLook()
{
    m_glyphs.setLook({m_size, m_ledType, PlatformColor::toQColor(m_litColor),
                      PlatformColor::toQColor(m_backColor), devicePixelRatioF()});
}

QString SegmentDisplay::shownCells() const
{
    if (!m_text.isEmpty())
        return m_text;
    QString cells = m_pattern;
    for (QChar &c : cells) {
        if (!SegmentGlyphs::isSeparator(c))
            c = QLatin1Char(' ');
    }
    return cells;
}

void SegmentDisplay::missingCells(QList<SegmentGlyphs::Cell> &out)
{
    followLook();
    const bool lit = !m_text.isEmpty();
    for (const QChar c : shownCells())
        m_glyphs.missing(c, lit, out);
}

void SegmentDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor back = PlatformColor::toQColor(m_backColor);
    painter.fillRect(rect(), back);

    const int border = borderWidth();
    const QColor borderColor = PlatformColor::toQColor(m_borderColor);
    painter.fillRect(0, 0, width(), border, borderColor);
    painter.fillRect(0, height() - border, width(), border, borderColor);
    painter.fillRect(0, border, border, height() - 2 * border, borderColor);
    painter.fillRect(width() - border, border, border, height() - 2 * border, borderColor);

    followLook();
    const bool blank = m_text.isEmpty();
    const QString cells = shownCells();

    // The cells are centred, so a display keeps its look when its size is rounded, and a shorter
    // row (seconds and tenths on a minutes display) sits in the middle. A longer one than the
    // display is built for is drawn smaller, to fit.
    const double content = contentWidth(cells);
    const double room = contentWidth(m_pattern);
    if (content > room && room > 0) {
        const double scale = room / content;
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.scale(scale, scale);
        painter.translate(-width() / 2.0, -height() / 2.0);
    }
    double x = (width() - content) / 2;
    const int y = (height() - m_size) / 2;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QChar c = cells.at(i);
        if (i > 0) {
            const bool separated
                    = SegmentGlyphs::isSeparator(c) || SegmentGlyphs::isSeparator(cells.at(i - 1));
            x += (separated ? m_paddingD : m_paddingI) / double(Twips::perPixel);
        }
        painter.drawPixmap(QPoint(int(std::lround(x)), y), m_glyphs.glyph(c, !blank));
        x += SegmentGlyphs::cellWidth(c, m_size);
    }
}

void SegmentDisplay::focusInEvent(QFocusEvent *event)
{
    BoardWidget::focusInEvent(event);
    emit GotFocus();
}

namespace {

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0)
            | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
            | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace

void SegmentDisplay::keyPressEvent(QKeyEvent *event)
{
    int keyCode = VirtualKeys::fromEvent(event);
    if (keyCode == 0) {
        BoardWidget::keyPressEvent(event);
        return;
    }
    emit KeyDown(keyCode, shiftState(event->modifiers()));
    event->accept();
}

void SegmentDisplay::keyReleaseEvent(QKeyEvent *event)
{
    // Held keys repeat their press, not their release.
    const int keyCode = VirtualKeys::fromEvent(event);
    if (keyCode == 0 || event->isAutoRepeat()) {
        BoardWidget::keyReleaseEvent(event);
        return;
    }
    emit KeyUp(keyCode, shiftState(event->modifiers()));
    event->accept();
}
