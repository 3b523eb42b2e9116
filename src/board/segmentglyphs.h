#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPixmap>

#include <memory>

// Draws the cells of an LED display (a seven-segment digit, a blank cell, a colon or a point) and
// keeps each drawing, so that a repaint only copies pixmaps. The drawings are kept per look (digit
// height, LED style, colours and the screen's pixel ratio) and shared by every display of that
// look in the program, so that the displays of a board, and two boards of one size, draw each
// cell once. When no display has a look any more its drawings are kept a while, the looks left
// last up to a few megabytes, so that a board going back to a size it had draws no cell again.
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
    // A cell a look has no drawing of yet. Drawing it needs nothing but the look, so it may be
    // done on another thread; the drawing is kept, on the thread that owns the displays, with
    // keep().
    struct Cell
    {
        std::shared_ptr<Drawings> drawings;
        QChar c;
        bool lit = false;
    };
    // Adds the cell to out unless the look has its drawing or out has the cell already.
    void missing(QChar c, bool lit, QList<Cell> &out);
    static QImage draw(const Cell &cell);
    static void keep(const Cell &cell, QImage drawing);

private:
    static QImage render(const Look &look, QChar c, bool lit);

    Look m_look;
    std::shared_ptr<Drawings> m_drawings;
};
