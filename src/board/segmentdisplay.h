#pragma once

#include "boardwidget.h"
#include "segmentglyphs.h"

// Common ground of the board's LED displays: the appearance members, the self-sizing from digit
// height and paddings, the drawing of a row of cells, and the keyboard focus with its signals.
//
// Size is the digit height in pixels; the paddings are in twips (15 to a pixel) like every other
// designed measure: PaddingH left and right, PaddingV top and bottom, PaddingI between digits,
// and (on the time display) PaddingD on each side of the colon or point. The board's scaling
// sets only these, never the width and height, so the display works out its own size.
// Colours are 0x00BBGGRR, red in the low byte.
class SegmentDisplay : public BoardWidget
{
    Q_OBJECT
    Q_PROPERTY(int BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(int BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int LitColor READ LitColor WRITE setLitColor)
    Q_PROPERTY(int LedType READ LedType WRITE setLedType)
    Q_PROPERTY(int Size READ Size WRITE setSize)
    Q_PROPERTY(int PaddingH READ PaddingH WRITE setPaddingH)
    Q_PROPERTY(int PaddingV READ PaddingV WRITE setPaddingV)
    Q_PROPERTY(int PaddingI READ PaddingI WRITE setPaddingI)
    Q_PROPERTY(QString Text READ Text)

public:
    ~SegmentDisplay() override;
    Q_DISABLE_COPY_MOVE(SegmentDisplay)

    static constexpr int LargestSize = 2048;
    static constexpr int LargestPadding = 32767;

    int BorderColor() const { return m_borderColor; }
    int BackColor() const { return m_backColor; }
    int LitColor() const { return m_litColor; }
    int LedType() const { return m_ledType; }
    int Size() const { return m_size; }
    int PaddingH() const { return m_paddingH; }
    int PaddingV() const { return m_paddingV; }
    int PaddingI() const { return m_paddingI; }
    // Exactly the characters drawn; empty while the display is blank.
    QString Text() const { return m_text; }

    void setBorderColor(int color);
    void setBackColor(int color);
    void setLitColor(int color);
    void setLedType(int ledType);
    void setSize(int size);
    void setPaddingH(int twips);
    void setPaddingV(int twips);
    void setPaddingI(int twips);

    QSize sizeHint() const override;
    // The cells the display would draw now whose drawings its look has not yet.
    void missingCells(QList<SegmentGlyphs::Cell> &out);

signals:
    void GotFocus();
    // keyCode is the platform's virtual-key code; a handler may change it. shift: 1 Shift,
    // 2 Ctrl, 4 Alt, added together.
    void KeyDown(int &keyCode, int shift);
    void KeyUp(int keyCode, int shift);

protected:
    explicit SegmentDisplay(QWidget *parent = nullptr);

    // The cells the display is built with ("88:88", "888"): they set its size. Digits stand for
    // digit cells, ':' and '.' for separators.
    void setPattern(const QString &pattern);
    // What the cells show now, as LedText gives it; empty for a blank display, which draws the
    // pattern's cells unlit.
    void setText(const QString &text);
    int separatorPadding() const { return m_paddingD; }
    void setSeparatorPadding(int twips);

    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    double contentWidth(const QString &cells) const;
    // The cells drawn now: the text, or the pattern's cells unlit while blank.
    QString shownCells() const;
    void followLook();
    void relayout();
    int borderWidth() const;

    int m_borderColor = 0x00FFFFFF;
    int m_backColor = 0x00000000;
    int m_litColor = 0x000000FF;
    int m_ledType = SegmentGlyphs::Lines;
    int m_size = 50;
    int m_paddingH = 80;
    int m_paddingV = 60;
    int m_paddingI = 120;
    int m_paddingD = 70;
    QString m_pattern;
    QString m_text;
    SegmentGlyphs m_glyphs;
};
