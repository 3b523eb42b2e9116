#pragma once

#include "boardwidget.h"
#include "segmentglyphs.h"

// A small preview of the LED style: one lit digit 8. Size is its digit height in pixels; the
// widget sizes itself from it.
class Facetra final : public BoardWidget
{
    Q_OBJECT
    Q_PROPERTY(int LedType READ LedType WRITE setLedType)
    Q_PROPERTY(int Size READ Size WRITE setSize)

public:
    explicit Facetra(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(Facetra)

    int LedType() const { return m_ledType; }
    int Size() const { return m_size; }
    void setLedType(int ledType);
    void setSize(int size);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int margin() const;

    int m_ledType = SegmentGlyphs::Lines;
    int m_size = 32;
    SegmentGlyphs m_glyphs;
};
