#include "destroyedwindowwatch.h"

#include <QApplication>
#include <QWidget>

#if defined(CORVANTA_HAVE_XCB)
#include <xcb/xproto.h>
#endif

bool DestroyedWindowWatch::nativeEventFilter(const QByteArray &eventType, void *message,
                                             qintptr *result)
{
    Q_UNUSED(result);
#if defined(CORVANTA_HAVE_XCB)
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // The high bit marks an event that another client sent; a destruction counts however told.
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const xcb_window_t destroyed
            = reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window;
    // The program's own destruction of a window reports an id that no live widget holds any more.
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->internalWinId() == destroyed) {
            QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
            break;
        }
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}
