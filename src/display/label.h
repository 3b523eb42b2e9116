#pragma once

#include "boardwidget.h"
#include "cacheddrawing.h"

// A caption on the board: one line of bold Arial, centred, on a transparent background. A caption
// that wraps takes as many lines as its height holds, in a smaller font where the text needs it,
// so that all of it shows.
class Label final : public BoardWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Label)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    // Platform colour, 0x00BBGGRR.
    Q_PROPERTY(int ForeColor READ ForeColor WRITE setForeColor)
    // Points; the board is laid out at 96 dots per inch, so a point is 4/3 of a pixel.
    Q_PROPERTY(double FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)

public:
    explicit Label(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    int ForeColor() const { return m_foreColor; }
    double FontSize() const { return m_fontSize; }
    bool WordWrap() const { return m_wordWrap; }
    void setCaption(const QString &caption);
    void setForeColor(int color);
    void setFontSize(double points);
    void setWordWrap(bool wrap);
    // The pixel size the caption is drawn in at the label's present size: below the one its
    // FontSize gives where a wrapping caption needs room, 0 if no size fits.
    int shownPixelSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
    int m_foreColor = 0x00FFFFFF;
    double m_fontSize = 8.25;
    bool m_wordWrap = false;
    CachedDrawing m_drawing;
};
