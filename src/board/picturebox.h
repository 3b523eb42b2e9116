#pragma once

#include "boardwidget.h"

// A borderless frame that holds a picture (an Image) and fills the space round it.
class PictureBox final : public BoardWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureBox)
    Q_PROPERTY(int BackColor READ BackColor WRITE setBackColor)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    int BackColor() const { return m_backColor; }
    void setBackColor(int color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_backColor = 0x00404040;
};
