#pragma once

#include <QScrollArea>

// A tab page that scrolls when the screen is too short or too narrow for the whole window. Until it
// is given a height limit it asks for all the room its contents need, so that the window keeps its
// one size wherever it fits; the control that takes the keyboard focus is scrolled into view.
class ScrollingPage final : public QScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScrollingPage)

public:
    explicit ScrollingPage(QWidget *page, QWidget *parent = nullptr);

    // The most height and width the page asks for; a taller or wider page scrolls that way.
    // QWIDGETSIZE_MAX: no limit.
    void setSizeLimit(int width, int height);
    // The size the page's contents need.
    QSize contentsSize() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int m_widthLimit = QWIDGETSIZE_MAX;
    int m_heightLimit = QWIDGETSIZE_MAX;
};
