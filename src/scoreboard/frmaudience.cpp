#include "frmaudience.h"

#include "boardappearance.h"
#include "boardview.h"
#include "layoutscaling.h"
#include "segmentdisplay.h"
#include "settingsmodel.h"
#include "windowsurface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

frmAudience::frmAudience(const Bout *bout, QWidget *keyboardOwner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    , m_ui(buildScoreboardDesign(this)) // at its designed size of 9480 x 6795 twips
    , m_view(new BoardView(bout, m_ui, this))
    , m_keyboardOwner(keyboardOwner)
{
    setObjectName(QStringLiteral("frmAudience"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::BlankCursor);
    for (SegmentDisplay *display : m_ui.displays())
        display->setFocusPolicy(Qt::NoFocus);

    followLayout();
    SaveLayout(this);
    RefreshTime();
    // The captions, pictures and digit style follow when the board is shown: the resize to its
    // screen's size fits them there, and fitting them at the designed size first would be undone.
    UpdateFormColors();
}

QString frmAudience::ScreenName() const
{
    return screen() ? screen()->name() : QString();
}

void frmAudience::showOn(QScreen *target)
{
    setScreen(target);
    setGeometry(target->geometry());
    // Not showFullScreen(), which would also ask for the activation.
    setWindowState(Qt::WindowFullScreen);
    show();
}

void frmAudience::RefreshTime()
{
    m_view->showClocks();
}

void frmAudience::followLayout()
{
    const bool flow = settings().GameFlow;
    if (m_ui.gameFlow == flow)
        return;
    layOutScoreboard(this, m_ui, flow);
    for (SegmentDisplay *display : m_ui.flowDisplays()) {
        if (display)
            display->setFocusPolicy(Qt::NoFocus);
    }
    m_view->showNumbers();
}

void frmAudience::UpdateLabels()
{
    ApplyBoardLabels(this, m_ui, settings());
    emit labelsApplied();
}

void frmAudience::UpdateFormColors()
{
    ApplyBoardColors(this, m_ui, settings());
}

void frmAudience::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_view->setTimeOfDaySource(std::move(now), locale);
}

bool frmAudience::event(QEvent *event)
{
    // A window manager that activates the board anyway gets the keyboard handed straight back.
    if (event->type() == QEvent::WindowActivate && m_keyboardOwner)
        QTimer::singleShot(0, m_keyboardOwner,
                           [owner = m_keyboardOwner] { owner->activateWindow(); });
    return QWidget::event(event);
}

// Keys reach the board only where the keyboard follows the mouse pointer and the pointer rests on
// the projector; they go on to the operator's board as if typed there, and the keyboard with them.
void frmAudience::keyPressEvent(QKeyEvent *event)
{
    if (!m_keyboardOwner)
        return QWidget::keyPressEvent(event);
    m_keyboardOwner->activateWindow();
    QWidget *focus = m_keyboardOwner->focusWidget();
    QCoreApplication::sendEvent(focus ? focus : m_keyboardOwner, event);
}

void frmAudience::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_keyboardOwner)
        return QWidget::keyReleaseEvent(event);
    QWidget *focus = m_keyboardOwner->focusWidget();
    QCoreApplication::sendEvent(focus ? focus : m_keyboardOwner, event);
}

void frmAudience::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The pixels for the new size are brought in on the second core meanwhile.
    const WindowSurface surface(this);
    StretchLayout(this);
    // The pictures are fitted to their frames anew at the new size.
    UpdateLabels();
}
