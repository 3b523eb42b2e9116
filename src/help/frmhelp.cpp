#include "frmhelp.h"

#include "helplayoutpacer.h"
#include "helploader.h"
#include "sideplacement.h"
#include "twips.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPalette>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Sizes in twips, 15 to a pixel.
constexpr int MinimumOuterWidth = 2700;
constexpr int MinimumOuterHeight = 1700;
constexpr int WrapMargin = 450;
// The window opens at 640 x 480 pixels; the handlers only ever enforce the minimum.
constexpr int InitialWidth = 9600;
constexpr int InitialHeight = 7200;
// The longest the text is laid out at once on the way back to the place being read.
constexpr int ReturnMilliseconds = 16;
// The shortest time between two new widths of a text longer than PacedWrapCharacters, which
// takes several milliseconds to set anew (the shipped manual has some 60,000).
constexpr qint64 WrapPaceMilliseconds = 100;
constexpr int PacedWrapCharacters = 1000000;

} // namespace

const QString frmHelp::MissingFileText = QStringLiteral(
        "Help file has been moved from its normal location.  Please reinstall the program.");

QPointer<frmHelp> frmHelp::s_window;

frmHelp::frmHelp(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_wrapLater(new QTimer(this))
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Corvanta Help"));
    // Closing the window destroys it: the next request reads the manual afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    // The keys stay with the board while a jam runs; a click into the window gives them to it.
    setAttribute(Qt::WA_ShowWithoutActivating);

    m_rtbHelp = new QTextEdit(this);
    m_rtbHelp->setObjectName(QStringLiteral("rtbHelp"));
    m_rtbHelp->setReadOnly(true);
    m_rtbHelp->setLineWrapMode(QTextEdit::FixedPixelWidth);
    // A rich-text file's colours are chosen for a white page, as any viewer shows it: on a dark
    // desktop theme its dark headings would stand on a near-black page.
    QPalette page = m_rtbHelp->palette();
    page.setColor(QPalette::Base, Qt::white);
    page.setColor(QPalette::Text, Qt::black);
    m_rtbHelp->setPalette(page);
    m_rtbHelp->installEventFilter(this);
    QScrollBar *bar = m_rtbHelp->verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this, &frmHelp::followEnd);
    connect(bar, &QAbstractSlider::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_followEnd)
            bar->setValue(maximum);
        else
            followReadingPlace();
    });

    m_wrapLater->setSingleShot(true);
    connect(m_wrapLater, &QTimer::timeout, this, &frmHelp::wrapToWidth);

    resize(Twips::toPixels(InitialWidth), Twips::toPixels(InitialHeight));
    Form_Load();
}

frmHelp *frmHelp::showHelp(const QWidget *from)
{
    if (!s_window)
        s_window = new frmHelp;
    // Placed when it opens, and again when another window asks for it: help opened from the
    // start-up window comes beside the board when the board asks. Asked again by the same
    // window, it is brought forward where it stands, unless that is over the window, as when the
    // board was moved onto it: brought forward there mid-jam, it would hide the clocks.
    if (from
        && (from != s_window->m_placedBeside
            || s_window->frameGeometry().intersects(from->frameGeometry())))
        s_window->placeBeside(from);
    if (s_window->isMinimized())
        s_window->showNormal();
    else
        s_window->show();
    s_window->raise();
    return s_window;
}

void frmHelp::moveBeside(const QWidget *window)
{
    if (s_window && s_window->isVisible()
        && s_window->frameGeometry().intersects(window->frameGeometry()))
        s_window->placeBeside(window);
}

QString frmHelp::helpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath())
            .filePath(QStringLiteral("corvantahelpfile.rtf"));
}

QString frmHelp::unreadableText(const QString &reason)
{
    return QStringLiteral("Help file could not be read (%1).  Please reinstall the program.")
            .arg(reason);
}

void frmHelp::Form_Load()
{
    const QFileInfo file(helpFilePath());
    if (!file.isFile()) {
        m_rtbHelp->setPlainText(MissingFileText);
        emit loaded();
    } else if (file.size() > HelpLoader::MaxFileBytes) {
        m_rtbHelp->setPlainText(HelpLoader::tooLargeText(file.size()));
        emit loaded();
    } else {
        m_loading = true;
        HelpLoader::start(file.filePath(), this,
                          [this](QTextDocument *document, const QString &error) {
                              showDocument(document, error);
                          });
    }
}

void frmHelp::showDocument(QTextDocument *document, const QString &error)
{
    if (!error.isEmpty()) {
        delete document;
        m_rtbHelp->setPlainText(unreadableText(error));
        m_loading = false;
        emit loaded();
        return;
    }
    // Put in the box right after a tick of the board's refresh, so that the box's first layout
    // and paint are done long before the next.
    if (m_refresh && m_refresh->isActive() && !document->parent()) {
        document->setParent(this); // deleted with the window if it closes meanwhile
        connect(
                m_refresh, &QTimer::timeout, this,
                [this, document, error] { showDocument(document, error); },
                Qt::SingleShotConnection);
        return;
    }
    // The box deletes the empty document it made itself; the new one is its child. The box then
    // lays the text out a slice at a time between the board's events (HelpLayoutPacer), never
    // just before the board's next tick. Until now the layout has waited: it would have been
    // done at the document's own width, and done again at the box's.
    if (auto *pacer = document->findChild<HelpLayoutPacer *>()) {
        pacer->setRefresh(m_refresh);
        connect(pacer, &HelpLayoutPacer::sliceLaidOut, this, &frmHelp::followReadingPlace);
    }
    const QPointer<QTextDocument> empty = m_rtbHelp->document();
    document->setParent(m_rtbHelp);
    m_rtbHelp->setDocument(document);
    if (empty)
        empty->deleteLater();
    m_rtbHelp->moveCursor(QTextCursor::Start);
    m_loading = false;
    emit loaded();
}

void frmHelp::placeBeside(const QWidget *from)
{
    m_placedBeside = from;
    // The board names its refresh tmrClock1.
    m_refresh = from->findChild<QTimer *>(QStringLiteral("tmrClock1"), Qt::FindDirectChildrenOnly);
    if (auto *pacer = m_rtbHelp->document()->findChild<HelpLayoutPacer *>())
        pacer->setRefresh(m_refresh);
    // Left to itself the window would open on the primary screen, which may be the projector.
    // It goes on the asking window's screen, right beside that window.
    QScreen *screen = from->screen();
    if (!screen)
        return;
    // Until it first shows, its frame is not known: it is taken to be as the asking window's.
    const QSize sides = isVisible() ? frameGeometry().size() - size()
                                    : from->frameGeometry().size() - from->size();
    const QRect place = SidePlacement::beside(screen->availableGeometry(), from->frameGeometry(),
                                              size() + sides, Twips::toPixels(MinimumOuterWidth));
    resize(place.size() - sides);
    move(place.topLeft());
}

bool frmHelp::isLaidOut() const
{
    const auto *pacer = m_rtbHelp->document()->findChild<HelpLayoutPacer *>();
    return !pacer || pacer->isComplete();
}

void frmHelp::followEnd(int action)
{
    // Any other move, by key, wheel or scroll bar, leaves the view where it is taken.
    m_followEnd = action == QAbstractSlider::SliderToMaximum && !isLaidOut();
    m_readingAt = -1;
}

void frmHelp::wrapToWidth()
{
    const int width = std::max(0, this->width() - Twips::toPixels(WrapMargin));
    // A change of height alone lays nothing out anew.
    if (width == m_rtbHelp->lineWrapColumnOrWidth()) {
        m_wrapLater->stop();
        return;
    }
    // Dragging the window's edge brings a resize at every move of the mouse, faster than a long
    // manual is set anew: its lines follow at most every WrapPaceMilliseconds, the last width
    // always. A short one follows every move.
    if (m_wrapped.isValid() && m_wrapped.elapsed() < WrapPaceMilliseconds
        && m_rtbHelp->document()->characterCount() > PacedWrapCharacters) {
        if (!m_wrapLater->isActive())
            m_wrapLater->start(int(WrapPaceMilliseconds - m_wrapped.elapsed()));
        return;
    }
    m_wrapLater->stop();
    // Placed before it shows, the window is not being dragged.
    if (isVisible())
        m_wrapped.start();
    setWrapWidth(width);
}

void frmHelp::setWrapWidth(int width)
{
    QScrollBar *bar = m_rtbHelp->verticalScrollBar();
    // The place brought back last, while the view is still there: the start of the line now at
    // the top lies before it, in the middle of the line it was in at the width before.
    if (!m_followEnd && m_readingAt < 0 && bar->value() > 0)
        m_readingAt = bar->value() == m_placeShownAt
                ? m_placeShown
                : m_rtbHelp->cursorForPosition(QPoint(0, 0)).position();
    bar->setValue(0);
    m_rtbHelp->setLineWrapColumnOrWidth(width);
    if (m_readingAt < 0)
        return;
    // A short way back, as far into the shipped manual as anywhere, is laid out at once: for up
    // to a display's refresh, as long as the board's next tick allows.
    QTextDocument *document = m_rtbHelp->document();
    if (auto *pacer = document->findChild<HelpLayoutPacer *>())
        pacer->layOutTo(document->findBlock(m_readingAt), ReturnMilliseconds);
    followReadingPlace();
}

void frmHelp::followReadingPlace()
{
    QScrollBar *bar = m_rtbHelp->verticalScrollBar();
    QTextDocument *document = m_rtbHelp->document();
    const QTextBlock block = document->findBlock(m_readingAt);
    // No place is being gone back to, or it is not laid out yet. Until then the view stays at the
    // top: the scroll bar's range may still be that of the old width, and a view further down would
    // have the box lay out all the text above it at once.
    if (m_readingAt < 0 || !block.isValid() || block.layout()->lineCount() == 0)
        return;
    const QTextLine line = block.layout()->lineForTextPosition(m_readingAt - block.position());
    // Rounded up: a view that starts a fraction of a pixel higher starts in the line above.
    const int top = int(std::ceil(document->documentLayout()->blockBoundingRect(block).top()
                                  + (line.isValid() ? line.y() : 0)));
    // The box takes the new size of the text laid out on its next turn; it is asked now, so
    // that no frame shows another place first.
    if (bar->maximum() < top) {
        QResizeEvent same(m_rtbHelp->viewport()->size(), m_rtbHelp->viewport()->size());
        QCoreApplication::sendEvent(m_rtbHelp->viewport(), &same);
    }
    bar->setValue(top);
    // The scroll bar's range may not yet reach it: it is gone to again as the range grows. Near
    // the end the view goes no further than the end.
    if (bar->value() == top || isLaidOut()) {
        m_placeShown = std::exchange(m_readingAt, -1);
        m_placeShownAt = bar->value();
    }
}

bool frmHelp::eventFilter(QObject *watched, QEvent *event)
{
    // The box, read-only, moves its view by the start and end keys without Ctrl only. With Ctrl
    // they go to the start and the end of the document, the end being that of the text laid out
    // so far: the view follows it while the rest is laid out a slice at a time.
    if (watched == m_rtbHelp && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QScrollBar *bar = m_rtbHelp->verticalScrollBar();
        if (key->matches(QKeySequence::MoveToEndOfDocument)
            || key->matches(QKeySequence::SelectEndOfDocument)) {
            bar->triggerAction(QAbstractSlider::SliderToMaximum);
            return true;
        }
        if (key->matches(QKeySequence::MoveToStartOfDocument)
            || key->matches(QKeySequence::SelectStartOfDocument)) {
            bar->triggerAction(QAbstractSlider::SliderToMinimum);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QSize frmHelp::minimumSizeHint() const
{
    return QSize(Twips::toPixels(MinimumOuterWidth), Twips::toPixels(MinimumOuterHeight))
            - (frameGeometry().size() - size());
}

void frmHelp::Form_Resize()
{
    if (isMinimized() || m_resizing)
        return;
    // The limits are on the outer size, frame included; resize() sets the inner size, so the
    // frame's share is carried over.
    const QSize outer = frameGeometry().size();
    const QSize frame = outer - size();
    const QSize wanted(std::max(outer.width(), Twips::toPixels(MinimumOuterWidth)),
                       std::max(outer.height(), Twips::toPixels(MinimumOuterHeight)));
    if (wanted != outer) {
        m_resizing = true;
        resize(wanted - frame);
        m_resizing = false;
    }

    // The box fills the inside of the window, whatever frame the window manager draws.
    m_rtbHelp->setGeometry(rect());
    wrapToWidth();
    m_rtbHelp->viewport()->update();
}

void frmHelp::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void frmHelp::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmHelp::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Restoring from minimised brings no resize event on every platform.
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}
