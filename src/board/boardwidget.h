#pragma once

#include <QWidget>

// Base of every widget that the board lays out by design: the LED displays, labels, shapes,
// picture frames and images. Position and size are members in twips (15 to a pixel), whatever the
// widget, so that the board is scaled and coloured in the same units as it was designed.
class BoardWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name)
    Q_PROPERTY(QWidget *Container READ Container)
    Q_PROPERTY(double Left READ Left WRITE setLeft)
    Q_PROPERTY(double Top READ Top WRITE setTop)
    Q_PROPERTY(double Width READ Width WRITE setWidth)
    Q_PROPERTY(double Height READ Height WRITE setHeight)

public:
    explicit BoardWidget(QWidget *parent = nullptr);

    QString Name() const { return objectName(); }
    QWidget *Container() const { return parentWidget(); }

    double Left() const { return m_left; }
    double Top() const { return m_top; }
    double Width() const { return m_width; }
    double Height() const { return m_height; }
    void setLeft(double twips);
    void setTop(double twips);
    void setWidth(double twips);
    void setHeight(double twips);

    // Places the widget at a designed position and size, all in twips.
    void setTwipGeometry(double left, double top, double width, double height);
    // While held, changes of position and size (the display's own sizing included) are only
    // noted; releasing applies them as one move. A widget moved and then resized in two steps
    // would have its old pixels copied to the new place first, for nothing.
    void holdGeometry(bool hold);

    // The board widgets the window is made of, in creation order, each container followed by
    // what it holds. Windows owned by the window (dialogs, tool windows) hold widgets of their
    // own and are not part of it.
    static QList<BoardWidget *> laidOutIn(const QWidget *window);

protected:
    // Widgets that size themselves (the LED displays) set their pixel size here; the twip size
    // follows it.
    void setPixelSize(const QSize &size);

private:
    void applyGeometry();

    double m_left = 0;
    double m_top = 0;
    double m_width = 0;
    double m_height = 0;
    bool m_held = false;
};
