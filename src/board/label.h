#pragma once

#include "boardwidget.h"
#include "cacheddrawing.h"

class QFont;

// A caption on the board: one line of bold Arial, centred, on a transparent background, or with
// WordWrap as many lines as its height holds. A caption too large for the label at its FontSize
// is drawn in the largest font that fits, never cut off; one that fits is drawn at FontSize.
class Label final : public BoardWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Label)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    // Platform colour, 0x00BBGGRR.
    Q_PROPERTY(int ForeColor READ ForeColor WRITE setForeColor)
    // Points; the board is laid out at 96 dots per inch, so a point is 4/3 of a pixel.
    Q_PROPERTY(double FontSize READ FontSize WRITE setFontSize)
    // What the label draws at its present width: the caption (its name part perhaps shortened)
    // and the size in points it is drawn at.
    Q_PROPERTY(QString ShownCaption READ ShownCaption)
    Q_PROPERTY(double ShownFontSize READ ShownFontSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)

public:
    explicit Label(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    int ForeColor() const { return m_foreColor; }
    double FontSize() const { return m_fontSize; }
    bool WordWrap() const { return m_wordWrap; }
    void setCaption(const QString &caption);
    // A caption with a name in it (a file name, nameLength characters from nameFrom) that is
    // shortened in its middle rather than the font made smaller than three quarters of FontSize;
    // the rest of the caption is always drawn whole.
    void setCaption(const QString &caption, qsizetype nameFrom, qsizetype nameLength);
    void setForeColor(int color);
    void setFontSize(double points);
    void setWordWrap(bool wrap);

    QString ShownCaption() const { return fitted().text; }
    double ShownFontSize() const;
    // The same in pixels.
    int shownPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Fitted
    {
        QString text;
        int pixels = 1;
    };
    Fitted fitted() const;
    bool fits(const QString &text, int pixels) const;
    int largestFitting(const QString &text, int largest, int smallest) const;
    int designedPixels() const;
    CachedDrawing::Drawing drawing() const;
    static QFont fontOf(int pixels);

    QString m_caption;
    qsizetype m_nameFrom = 0;
    qsizetype m_nameLength = 0;
    int m_foreColor = 0x00FFFFFF;
    double m_fontSize = 8.25;
    bool m_wordWrap = false;
    CachedDrawing m_drawing;
};
