#pragma once

#include <memory>

class QWidget;

// Makes a window's pixel buffer ready for its new size while the window lays itself out, so that
// the first frame at that size does not stop at every fresh page of memory it touches: a board
// filling 3840 x 2160 pixels paints into 33 MB, and faulting that in a page at a time costs more
// than a display refresh. The buffer is taken at the new size at once, asked for large pages
// where the platform's buffer is ordinary memory, and its pages are brought in, half on a worker
// thread from the moment the object is made. The destructor draws the displays' digit cells for
// the new size, shared with the worker once it has brought the pages in, then brings in what the
// worker has not taken. It never waits for the worker: a cell the worker is still drawing is drawn
// again here, and a piece it is still bringing in is left to it. (Captions are drawn at the paint:
// text drawn outside it comes out a shade apart at its edges.)
//
// Made at the start of a window's resize handling and dropped at its end.
class WindowSurface final
{
public:
    explicit WindowSurface(QWidget *window);
    ~WindowSurface();
    WindowSurface(const WindowSurface &) = delete;
    WindowSurface &operator=(const WindowSurface &) = delete;

    struct Pages;

private:
    QWidget *m_window;
    std::shared_ptr<Pages> m_pages;
};
