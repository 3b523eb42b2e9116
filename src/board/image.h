#pragma once

#include "boardwidget.h"

#include <QPixmap>

// A picture on the board. Unstretched, the widget takes the size of each picture it is given;
// stretched, the picture is drawn scaled to whatever size the widget has.
class Image final : public BoardWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Image)
    Q_PROPERTY(QPixmap Picture READ Picture WRITE setPicture)
    Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch)
    Q_PROPERTY(bool Visible READ Visible WRITE setVisible)

public:
    explicit Image(QWidget *parent = nullptr);

    QPixmap Picture() const { return m_picture; }
    bool Stretch() const { return m_stretch; }
    // Whether the image itself is shown, whatever its container does.
    bool Visible() const { return !isHidden(); }
    void setPicture(const QPixmap &picture);
    void setStretch(bool stretch);

    // The file the picture was decoded from (its path, length and time of change) and the
    // picture's own size in pixels, which the picture, decoded at the size it is shown at, no
    // longer tells.
    QString Source() const { return m_source; }
    QSize NaturalSize() const { return m_naturalSize; }
    void setSource(const QString &source, const QSize &naturalSize);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void takeNaturalSize();

    QPixmap m_picture;
    bool m_stretch = false;
    QString m_source;
    QSize m_naturalSize;
    // The picture scaled to the widget, made once per size rather than on every paint.
    QPixmap m_scaled;
};
