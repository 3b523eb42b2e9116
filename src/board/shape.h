#pragma once

#include "boardwidget.h"

#include <QPainterPath>

// A drawn rectangle on the board: the frames round the displays and the selection frame.
class Shape final : public BoardWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Shape)
    Q_PROPERTY(int Shape READ kind WRITE setKind)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE setBorderColor)
    // Pixels, unlike the geometry; 0 draws no border.
    Q_PROPERTY(double BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(int FillColor READ FillColor WRITE setFillColor)
    Q_PROPERTY(bool Filled READ Filled WRITE setFilled)

public:
    // The values are the platform's own shape codes.
    enum Kind : int { Rectangle = 0, RoundedRectangle = 4 };
    Q_ENUM(Kind)

    explicit Shape(QWidget *parent = nullptr);

    int kind() const { return m_kind; }
    int BorderColor() const { return m_borderColor; }
    double BorderWidth() const { return m_borderWidth; }
    int FillColor() const { return m_fillColor; }
    bool Filled() const { return m_filled; }
    void setKind(int kind);
    void setBorderColor(int color);
    void setBorderWidth(double pixels);
    void setFillColor(int color);
    void setFilled(bool filled);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_kind = Rectangle;
    int m_borderColor = 0;
    double m_borderWidth = 1;
    int m_fillColor = 0;
    bool m_filled = false;
    // The rounded border's outline, for the size and border it was made for.
    QPainterPath m_ring;
    QSize m_ringSize;
    double m_ringBorder = 0;
};
