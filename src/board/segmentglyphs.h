#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>

#include <memory>

// Draws the cells of an LED display (a seven-segment digit, a blank cell, a colon or a point) and
// keeps each drawing, so that a repaint only copies pixmaps. The drawings are kept per look (digit
// height, LED style, colours and the screen's pixel ratio) and shared by every display of that
// look in the program, so that the displays of a board, and two boards of one size, draw each
// cell once; a look's drawings go when no display has it any more.
class SegmentGlyphs final
{
public:
    enum Style { Lines = 0, Dots = 1 };

    // Proportions of a cell to the digit height; the board's displays are laid out with these.
    static constexpr double DigitWidthRatio = 0.56;
    static constexpr double SeparatorWidthRatio = 0.16;

    struct Look
    {
        int height = 0;
        int style = Lines;
        QColor lit;
        QColor back;
        qreal pixelRatio = 1;
        bool operator==(const Look &) const = default;
    };

    SegmentGlyphs() = default;
    ~SegmentGlyphs();
    Q_DISABLE_COPY_MOVE(SegmentGlyphs)

    static int digitWidth(int height);
    static int separatorWidth(int height);
    // Width of a cell for the character c: a digit or space, ":" or ".".
    static int cellWidth(QChar c, int height);
    static bool isSeparator(QChar c) { return c == QLatin1Char(':') || c == QLatin1Char('.'); }

    void setLook(const Look &look);
    const Look &look() const { return m_look; }

    // The unlit segments: a dim shade of the lit colour over the background.
    QColor unlitColor() const;

    // c is '0' to '9', ' ' (every segment unlit), ':' or '.'. A separator that is not lit is
    // drawn in the unlit shade.
    QPixmap glyph(QChar c, bool lit);

    struct Drawings;

private:
    QPixmap render(QChar c, bool lit) const;

    Look m_look;
    std::shared_ptr<Drawings> m_drawings;
};
