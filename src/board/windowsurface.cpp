#include "windowsurface.h"

#include "boardwidget.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QImage>
#include <QPaintDevice>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <condition_variable>
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
    int done = 0;
    std::mutex mutex;
    std::condition_variable finished;

    // Brings in pieces until none is left; returns once those it took are in.
    void bringIn()
    {
        for (int piece = next++; piece < pieces; piece = next++) {
            const quintptr from = begin + quintptr(piece) * kPiece;
            const quintptr size = std::min(kPiece, begin + length - from);
            madvise(reinterpret_cast<void *>(from), size, MADV_POPULATE_WRITE);
            const std::lock_guard lock(mutex);
            if (++done == pieces)
                finished.notify_all();
        }
    }
};

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
    for (BoardWidget *widget : BoardWidget::laidOutIn(m_window)) {
        if (widget->isVisibleTo(m_window))
            widget->prepareDrawing();
    }
    if (!m_pages)
        return;
    m_pages->bringIn();
    std::unique_lock lock(m_pages->mutex);
    m_pages->finished.wait(lock, [this] { return m_pages->done == m_pages->pieces; });
}
