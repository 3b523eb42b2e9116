#pragma once

#include <QFrame>

// A small framed area that shows one colour of the Options window's working copy and nothing
// else. The colour is a platform colour in 0x00BBGGRR order, as the settings hold it.
class ColorSwatch final : public QFrame
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColorSwatch)

public:
    explicit ColorSwatch(QWidget *parent = nullptr);

    qint32 color() const { return m_color; }
    void setColor(qint32 bgr);

private:
    qint32 m_color = 0;
};
