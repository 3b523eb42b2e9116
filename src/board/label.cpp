#include "label.h"

#include "platformcolor.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

// How a wrapping caption is laid out in its rectangle.
constexpr int WrappedFlags = Qt::AlignCenter | Qt::TextWordWrap;

} // namespace

Label::Label(QWidget *parent)
    : BoardWidget(parent)
{
    // Captions are decoration: clicks go through to whatever lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Label::setCaption(const QString &caption)
{
    setCaption(caption, 0, 0);
}

void Label::setCaption(const QString &caption, qsizetype nameFrom, qsizetype nameLength)
{
    nameFrom = qBound<qsizetype>(0, nameFrom, caption.size());
    nameLength = qBound<qsizetype>(0, nameLength, caption.size() - nameFrom);
    if (caption == m_caption && nameFrom == m_nameFrom && nameLength == m_nameLength)
        return;
    m_caption = caption;
    m_nameFrom = nameFrom;
    m_nameLength = nameLength;
    setAccessibleName(caption);
    m_drawing.invalidate();
    update();
}

void Label::setForeColor(int color)
{
    if (color == m_foreColor)
        return;
    m_foreColor = color;
    m_drawing.invalidate();
    update();
}

void Label::setWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    m_drawing.invalidate();
    update();
}

void Label::setFontSize(double points)
{
    if (points == m_fontSize)
        return;
    m_fontSize = points;
    m_drawing.invalidate();
    update();
}

QFont Label::fontOf(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixels);
    return font;
}

// Points are taken at the board's 96 dots per inch whatever the screen reports, so that the text
// keeps its designed proportion to the twip geometry.
int Label::designedPixels() const
{
    return qMax(1, qRound(m_fontSize * 96.0 / 72.0));
}

bool Label::fits(const QString &text, int pixels) const
{
    if (m_wordWrap)
        return rect().contains(
                QFontMetrics(fontOf(pixels)).boundingRect(rect(), WrappedFlags, text));
    return QFontMetricsF(fontOf(pixels)).horizontalAdvance(text) <= width();
}

int Label::shownPixelSize() const
{
    return fitted().pixels;
}

int Label::largestFitting(const QString &text, int largest, int smallest) const
{
    // A text's width grows almost in proportion to its font: start from that guess, then step to
    // the largest size that fits.
    const qreal wide = QFontMetricsF(fontOf(largest)).horizontalAdvance(text);
    if (wide <= width())
        return largest;
    int pixels = qBound(smallest, int(largest * width() / wide), largest);
    while (pixels < largest && fits(text, pixels + 1))
        ++pixels;
    while (pixels > smallest && !fits(text, pixels))
        --pixels;
    return pixels;
}

Label::Fitted Label::fitted() const
{
    // A smaller font first; a name is shortened only once the rest would become hard to read.
    const int designed = designedPixels();
    const int smallest = m_nameLength > 0 ? qMax(1, designed * 3 / 4) : 1;
    // On one line a line separator (pasted with a name) would end the text where it stands: it
    // shows as a space, as a line break does.
    QString caption = m_caption;
    if (!m_wordWrap)
        caption.replace(QChar::LineSeparator, u' ');
    int pixels = largestFitting(caption, designed, smallest);
    if (m_nameLength == 0 || fits(caption, pixels))
        return {caption, pixels};

    const QString before = caption.left(m_nameFrom);
    const QString name = caption.mid(m_nameFrom, m_nameLength);
    const QString after = caption.mid(m_nameFrom + m_nameLength);
    for (;; --pixels) {
        const QFontMetricsF metrics(fontOf(pixels));
        // A wrapping caption has as many widths of room as it has lines; where the lines break
        // takes some of it, so the room shrinks until the text fits.
        const int lines = m_wordWrap ? qMax(1, int(height() / metrics.lineSpacing())) : 1;
        for (qreal room = lines * width() - metrics.horizontalAdvance(before + after); room > 0;
             room -= metrics.averageCharWidth()) {
            QString shortened = metrics.elidedText(name, Qt::ElideMiddle, room);
            if (shortened.isEmpty())
                shortened = QChar(0x2026);
            const QString text = before + shortened + after;
            if (fits(text, pixels))
                return {text, pixels};
        }
        if (pixels == 1)
            return {before + QChar(0x2026) + after, pixels};
    }
}

double Label::ShownFontSize() const
{
    const int pixels = fitted().pixels;
    return pixels == designedPixels() ? m_fontSize : pixels * 72.0 / 96.0;
}

CachedDrawing::Drawing Label::drawing() const
{
    const Fitted shown = fitted();
    const QFont font = fontOf(shown.pixels);
    const QFontMetrics metrics(font);
    // A smaller font keeps the middle of the designed line, not its top.
    const int designedLine = QFontMetrics(fontOf(designedPixels())).height();
    const int drop = (designedLine - metrics.height()) / 2;
    const QRect box = m_wordWrap ? rect() : rect().adjusted(0, drop, 0, drop);
    const int flags
            = m_wordWrap ? WrappedFlags : Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    // A glyph's ink may reach past its advance and line; half the font size round the text
    // takes it in.
    const int reach = shown.pixels / 2 + 1;
    const QRect area
            = metrics.boundingRect(box, flags, shown.text).adjusted(-reach, -reach, reach, reach);
    return CachedDrawing::Drawing {area,
                                   [this, shown, font, box, flags](QPainter &painter, QPoint at) {
                                       painter.setRenderHint(QPainter::TextAntialiasing);
                                       painter.setFont(font);
                                       painter.setPen(PlatformColor::toQColor(m_foreColor));
                                       painter.drawText(box.translated(-at), flags, shown.text);
                                   }};
}

void Label::paintEvent(QPaintEvent *)
{
    if (m_caption.isEmpty() || m_fontSize <= 0)
        return;
    m_drawing.paint(this, [this] { return drawing(); });
}
