#include "label.h"

#include "platformcolor.h"

#include <QFontMetrics>
#include <QPainter>

Label::Label(QWidget *parent)
    : BoardWidget(parent)
{
    // Captions are decoration: clicks go through to whatever lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Label::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
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

void Label::setFontSize(double points)
{
    if (points == m_fontSize)
        return;
    m_fontSize = points;
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

namespace {

QFont boardFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

int Label::shownPixelSize() const
{
    // Points are taken at the board's 96 dots per inch whatever the screen reports, so that the
    // text keeps its designed proportion to the twip geometry.
    const int designed = qMax(1, qRound(m_fontSize * 96.0 / 72.0));
    if (!m_wordWrap)
        return designed;
    for (int size = designed; size > 0; --size) {
        const QRect needed
                = QFontMetrics(boardFont(size))
                          .boundingRect(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_caption);
        if (rect().contains(needed))
            return size;
    }
    return 0;
}

void Label::paintEvent(QPaintEvent *)
{
    if (m_caption.isEmpty() || m_fontSize <= 0)
        return;
    m_drawing.paint(this, [this](QPainter &painter) {
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(boardFont(qMax(1, shownPixelSize())));
        painter.setPen(PlatformColor::toQColor(m_foreColor));
        painter.drawText(rect(),
                         m_wordWrap ? Qt::AlignCenter | Qt::TextWordWrap
                                    : Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         m_caption);
    });
}
