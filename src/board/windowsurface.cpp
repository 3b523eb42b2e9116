#include "windowsurface.h"

#include "segmentdisplay.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <QPaintDevice>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <mutex>

#include <sys/mman.h>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace {

constexpr quintptr kLargePage = quintptr(2) << 20;
// Small enough that the thread that finishes first waits little for the other's last piece.
constexpr quintptr kPiece = quintptr(1) << 20;

// One worker of the board's own: the application's pool may be busy decoding a picture.
QThreadPool *worker()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool(QCoreApplication::instance());
        made->setMaxThreadCount(1);
        made->setExpiryTimeout(-1);
        return made;
    }();
    return pool;
}

} // namespace

struct WindowSurface::Pages
{
    quintptr begin = 0;
    int pieces = 0;
    quintptr length = 0;
    std::atomic<int> next {0};

    // Brings in pieces until none is left to take.
    void bringIn()
    {
        for (int piece = next++; piece < pieces; piece = next++) {
            const quintptr from = begin + quintptr(piece) * kPiece;
            const quintptr size = std::min(kPiece, begin + length - from);
            madvise(reinterpret_cast<void *>(from), size, MADV_POPULATE_WRITE);
        }
    }
};

namespace {

// The displays' missing cells, drawn by whichever thread takes each first. The window's thread
// draws at the end whatever the worker has taken but not finished rather than wait for it: on a
// busy machine the worker may lose its core for longer than a frame.
struct Cells
{
    QList<SegmentGlyphs::Cell> cells;
    QList<QImage> drawings; // a null image for a cell not drawn yet
    std::atomic<int> next {0};
    std::mutex mutex;

    void keep(qsizetype i, QImage drawing)
    {
        const std::lock_guard lock(mutex);
        if (drawings.at(i).isNull())
            drawings[i] = std::move(drawing);
    }

    bool isDrawn(qsizetype i)
    {
        const std::lock_guard lock(mutex);
        return !drawings.at(i).isNull();
    }

    void draw()
    {
        for (int i = next++; i < cells.size(); i = next++)
            keep(i, SegmentGlyphs::draw(cells.at(i)));
    }

    void finish()
    {
        draw();
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (!isDrawn(i))
                keep(i, SegmentGlyphs::draw(cells.at(i)));
        }
    }
};

} // namespace

WindowSurface::WindowSurface(QWidget *window)
    : m_window(window)
{
    QBackingStore *store = window->backingStore();
    if (!store || window->size().isEmpty())
        return;
    // Taken at the new size now rather than when the paint begins.
    if (store->size() != window->size())
        store->resize(window->size());
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto *image = static_cast<const QImage *>(device);
    const quintptr page = quintptr(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<quintptr>(image->constBits());
    const quintptr first = (start + page - 1) & ~(page - 1);
    const quintptr end = (start + quintptr(image->sizeInBytes())) & ~(page - 1);
    if (end <= first)
        return;

    // Ordinary memory takes large pages; a buffer shared with the display server refuses them and
    // is brought in a page at a time.
    const quintptr large = (first + kLargePage - 1) & ~(kLargePage - 1);
    if (end > large + kLargePage)
        madvise(reinterpret_cast<void *>(large), (end - large) & ~(kLargePage - 1), MADV_HUGEPAGE);

    m_pages = std::make_shared<Pages>();
    m_pages->begin = first;
    m_pages->length = end - first;
    m_pages->pieces = int((m_pages->length + kPiece - 1) / kPiece);
    worker()->start([pages = m_pages] { pages->bringIn(); });
}

WindowSurface::~WindowSurface()
{
    // The digit cells for the new size, drawn here and by the worker once the pages are in.
    auto cells = std::make_shared<Cells>();
    for (BoardWidget *widget : BoardWidget::laidOutIn(m_window)) {
        auto *display = qobject_cast<SegmentDisplay *>(widget);
        if (display && display->isVisibleTo(m_window))
            display->missingCells(cells->cells);
    }
    cells->drawings.resize(cells->cells.size());
    if (cells->cells.size() > 1) {
        worker()->start([cells]() mutable {
            cells->draw();
            // The worker may finish after the window's thread has gone on: the looks' drawings
            // are let go there, where they are used.
            QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [left = std::move(cells)] {},
                    Qt::QueuedConnection);
        });
    }
    cells->finish();
    // The pages nobody has taken yet are brought in here; a piece the worker is still on is left
    // to it (bringing a page in does not change what it holds, so the paint may go ahead).
    if (m_pages)
        m_pages->bringIn();
    const std::lock_guard lock(cells->mutex);
    for (qsizetype i = 0; i < cells->cells.size(); ++i)
        SegmentGlyphs::keep(cells->cells.at(i), std::move(cells->drawings[i]));
}
