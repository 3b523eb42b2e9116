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

void ScrollingPage::setHeightLimit(int pixels)
{
    m_heightLimit = pixels;
    updateGeometry();
}

int ScrollingPage::contentsHeight() const
{
    return widget()->sizeHint().height();
}

QSize ScrollingPage::sizeHint() const
{
    QSize hint = widget()->sizeHint();
    if (hint.height() > m_heightLimit) {
        hint.setHeight(m_heightLimit);
        // Room for the scroll bar, where the contents cannot give it up themselves.
        const int least
                = widget()->minimumSizeHint().width() + verticalScrollBar()->sizeHint().width();
        hint.setWidth(qMax(hint.width(), least));
    }
    return hint;
}

QSize ScrollingPage::minimumSizeHint() const
{
    return sizeHint();
}
