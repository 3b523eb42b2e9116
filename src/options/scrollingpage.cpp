#include "scrollingpage.h"

#include <QApplication>
#include <QScrollBar>

ScrollingPage::ScrollingPage(QWidget *page, QWidget *parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The page's controls keep the keyboard; the area itself is no stop on the way.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setWidget(page);
    // Drawn on the tab's own pane, as a page without scrolling is.
    page->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && widget()->isAncestorOf(now))
            ensureWidgetVisible(now);
    });
}

void ScrollingPage::setSizeLimit(int width, int height)
{
    m_widthLimit = width;
    m_heightLimit = height;
    // Only a page cut narrower than its contents scrolls sideways.
    setHorizontalScrollBarPolicy(width < QWIDGETSIZE_MAX ? Qt::ScrollBarAsNeeded
                                                         : Qt::ScrollBarAlwaysOff);
    updateGeometry();
}

QSize ScrollingPage::contentsSize() const
{
    return widget()->sizeHint();
}

QSize ScrollingPage::sizeHint() const
{
    QSize hint = widget()->sizeHint();
    const bool sideways = hint.width() > m_widthLimit;
    if (sideways) {
        hint.setWidth(m_widthLimit);
        hint.rheight() += horizontalScrollBar()->sizeHint().height();
    }
    if (hint.height() > m_heightLimit) {
        hint.setHeight(m_heightLimit);
        // Room for the scroll bar, where the contents cannot give it up themselves.
        const int least
                = widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width();
        hint.setWidth(sideways ? m_widthLimit : qMax(hint.width(), least));
    }
    return hint;
}

QSize ScrollingPage::minimumSizeHint() const
{
    return sizeHint();
}
