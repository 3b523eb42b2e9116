#include "helplayoutpacer.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QTextDocument>
#include <QTextLayout>

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

bool HelpLayoutPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer || watched != m_document->documentLayout())
        return false;
    QTextBlock block = firstUnlaidBlock();
    if (!block.isValid())
        return false; // laid out: the layout's own timers finish their work
    QElapsedTimer slice;
    slice.start();
    QAbstractTextDocumentLayout *layout = m_document->documentLayout();
    while (block.isValid() && slice.elapsed() < SliceMilliseconds) {
        // Asking where a paragraph lies lays out the text up to it, a thousand or so characters
        // at a time.
        layout->blockBoundingRect(block);
        while (block.isValid() && block.layout()->lineCount() > 0)
            block = block.next();
    }
    // Until the end is reached the layout's own step, which would take too long, is skipped.
    return block.isValid();
}
