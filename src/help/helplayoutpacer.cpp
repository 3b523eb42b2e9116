#include "helplayoutpacer.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// Kept free before each tick: the timer's remaining time is in whole milliseconds.
constexpr qint64 TickMarginNanoseconds = 2000000;
// A step that took longer than this (the machine was busy) is not waited for again: there is
// always room for one right after a tick.
constexpr qint64 LongestStepNanoseconds = 20000000;

} // namespace

HelpLayoutPacer::HelpLayoutPacer(QTextDocument *document)
    : QObject(document)
    , m_document(document)
{
    document->documentLayout()->installEventFilter(this);
}

QTextBlock HelpLayoutPacer::firstUnlaidBlock() const
{
    // The layout works from the top down, so the laid-out paragraphs come first.
    int low = 0;
    int high = m_document->blockCount();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_document->findBlockByNumber(middle).layout()->lineCount() > 0)
            low = middle + 1;
        else
            high = middle;
    }
    return m_document->findBlockByNumber(low);
}

qint64 HelpLayoutPacer::untilTick() const
{
    if (!m_refresh || !m_refresh->isActive())
        return std::numeric_limits<qint64>::max();
    return qint64(m_refresh->remainingTime()) * 1000000 - TickMarginNanoseconds;
}

bool HelpLayoutPacer::layOutTo(const QTextBlock &block, int milliseconds)
{
    if (m_held)
        return false;
    QTextBlock first = firstUnlaidBlock();
    if (first.isValid() && first.blockNumber() <= block.blockNumber())
        first = layOutSlice(first, block.blockNumber(), milliseconds);
    return !first.isValid() || first.blockNumber() > block.blockNumber();
}

QTextBlock HelpLayoutPacer::layOutSlice(QTextBlock block, int last, int milliseconds)
{
    QElapsedTimer slice;
    slice.start();
    const qint64 tick = untilTick();
    QAbstractTextDocumentLayout *layout = m_document->documentLayout();
    // A step is begun only if one as long as the longest of late ends before the next tick.
    while (block.isValid() && block.blockNumber() <= last && slice.elapsed() < milliseconds
           && slice.nsecsElapsed() + std::min(m_stepNanoseconds, LongestStepNanoseconds) < tick) {
        const qint64 begun = slice.nsecsElapsed();
        // Asking where a paragraph lies lays out the text up to it, a thousand or so characters
        // at a time.
        layout->blockBoundingRect(block);
        while (block.isValid() && block.layout()->lineCount() > 0)
            block = block.next();
        // The longest step of late, fading: steps differ in length by two or three times.
        m_stepNanoseconds = std::max(slice.nsecsElapsed() - begun, m_stepNanoseconds * 7 / 8);
    }
    return block;
}

bool HelpLayoutPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer || watched != m_document->documentLayout())
        return false;
    if (m_held)
        return true;
    const QTextBlock block = firstUnlaidBlock();
    if (!block.isValid())
        return false; // laid out: the layout's own timers finish their work
    // Until the end is reached the layout's own step, which would take too long, is skipped.
    const bool unfinished
            = layOutSlice(block, std::numeric_limits<int>::max(), SliceMilliseconds).isValid();
    emit sliceLaidOut();
    return unfinished;
}
