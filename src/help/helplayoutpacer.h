#pragma once

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>

class QTextDocument;

// Lays a long document out in slices between other events. Qt's text box lays out its document
// lazily, but in steps that double up to 200,000 characters, each taking far longer than the
// board's 50 ms refresh; the pacer takes over the layout's own timer and lays out for no more
// than a few milliseconds at each of its turns, until every paragraph is laid out. Given the
// board's refresh, it lays out only while the next tick is far enough off, so that no tick waits
// for it. It restarts by itself whenever the box lays the document out anew (a new width).
class HelpLayoutPacer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpLayoutPacer)

public:
    static constexpr int SliceMilliseconds = 4;

    // Watches the document's layout; belongs to the document.
    explicit HelpLayoutPacer(QTextDocument *document);

    // Every paragraph of the document is laid out.
    bool isComplete() const { return !firstUnlaidBlock().isValid(); }

    // Lets the layout begin, its slices keeping clear of the ticks of refresh; none lays out at
    // every turn. Until then the layout waits: a document read on another thread comes over with
    // its layout under way, and is laid out anew at the width of the box it is put in.
    void setRefresh(const QTimer *refresh)
    {
        m_refresh = refresh;
        m_held = false;
    }

    // Lays the document out as far as block, for no more than milliseconds and clear of the
    // refresh's ticks as the slices are; true if block is laid out.
    bool layOutTo(const QTextBlock &block, int milliseconds);

signals:
    // A slice of the document was laid out at the layout's turn.
    void sliceLaidOut();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTextBlock firstUnlaidBlock() const;
    // Lays out from block, the first not laid out, for no more than milliseconds, stopping once
    // last is laid out; returns the first block then not laid out.
    QTextBlock layOutSlice(QTextBlock block, int last, int milliseconds);
    // Nanoseconds to the next tick, less a margin.
    qint64 untilTick() const;

    QTextDocument *m_document = nullptr;
    QPointer<const QTimer> m_refresh;
    qint64 m_stepNanoseconds = 0; // the longest step of layout of late
    bool m_held = true;
};
