#include "audienceboard.h"

#include "frmaudience.h"
#include "settings.h"
#include "sideplacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

AudienceBoard::AudienceBoard(const Bout *bout, QWidget *operatorWindow)
    : QObject(operatorWindow)
    , m_bout(bout)
    , m_operator(operatorWindow)
{
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &AudienceBoard::follow);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &AudienceBoard::screenRemoved);
    connect(&Settings::instance(), &Settings::changed, this, &AudienceBoard::followSettings);
    m_moved.setSingleShot(true);
    m_moved.setInterval(MovedRestMs);
    connect(&m_moved, &QTimer::timeout, this, &AudienceBoard::keepWindowsOff);
    // Every window of the program, the ones Options opens in turn (a colour, a file, a key, a
    // question) as much as the board, help and Options themselves.
    qApp->installEventFilter(this);
}

AudienceBoard::~AudienceBoard()
{
    delete m_window;
}

frmAudience *AudienceBoard::window() const
{
    return m_window;
}

void AudienceBoard::setScreenName(const QString &name)
{
    if (name == m_screenName)
        return;
    m_screenName = name;
    m_wanted = true;
    m_waitsAlone = false;
    follow();
}

void AudienceBoard::toggle()
{
    if (m_screenName.isEmpty()) {
        emit problem(QStringLiteral("No screen is chosen for the audience board: choose one "
                                    "in Options, Additional Settings."));
        return;
    }
    if (chosenScreenAlone()) {
        m_wanted = true;
        tellAlone();
        return;
    }
    if (!chosenScreen()) {
        // Hidden now by the key, the board would stay away when the projector is plugged in
        // again, which is what the key was most likely pressed for.
        m_wanted = true;
        m_toldWaiting = QStringLiteral("The audience board's screen %1 is not connected; the "
                                       "board opens there when it is.")
                                .arg(m_screenName);
        emit problem(m_toldWaiting);
        return;
    }
    m_wanted = !m_wanted;
    follow();
}

void AudienceBoard::followSettings(const SettingsModel &now)
{
    // The board opens first when the operator's does.
    if (m_operator->isVisible())
        setScreenName(now.AudienceScreen);
    if (m_window) {
        m_window->followLayout();
        m_window->UpdateLabels();
        m_window->UpdateFormColors();
    }
}

bool AudienceBoard::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_operator && event->type() == QEvent::Show)
        setScreenName(settings().AudienceScreen);
    // The operator's board moved onto a screen that the projector lies over, or off it again:
    // the audience board closes and says why, or opens, as for a screen plugged in.
    if (watched == m_operator && event->type() == QEvent::Move && m_operator->isVisible()
        && m_wanted && chosenScreenAlone() != m_waitsAlone)
        QTimer::singleShot(0, this, &AudienceBoard::follow);
    // Moved or stretched over the open board, it would be hidden by it, or show the crowd the
    // operator's frame and typing: it goes back to the operator's screen once it has come to
    // rest there. So does every other window of the operator's.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && m_window
        && watched->isWidgetType() && watched != m_window
        && static_cast<QWidget *>(watched)->isWindow())
        m_moved.start();
    return QObject::eventFilter(watched, event);
}

QScreen *AudienceBoard::chosenScreen() const
{
    if (m_screenName.isEmpty())
        return nullptr;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (screen->name() == m_screenName)
            return screen;
    }
    return nullptr;
}

bool AudienceBoard::chosenScreenAlone() const
{
    // A screen that mirrors another, or lies over part of it, leaves the operator no room
    // beside the board either when no screen stands apart from it, nor when it lies over the
    // screen the operator's board stands on, whatever other screens there are. A board left on
    // the chosen screen alone is moved off it as the audience board opens.
    const QScreen *chosen = chosenScreen();
    if (!chosen)
        return false;
    const QRect projected = chosen->geometry();
    const QPoint board = m_operator->frameGeometry().center();
    const QList<QScreen *> screens = QGuiApplication::screens();
    const auto apart = [&projected](const QScreen *screen) {
        return !screen->geometry().intersects(projected);
    };
    return std::none_of(screens.begin(), screens.end(), apart)
            || std::any_of(screens.begin(), screens.end(), [&](const QScreen *screen) {
                   return screen != chosen && !apart(screen) && screen->geometry().contains(board);
               });
}

void AudienceBoard::tellAlone()
{
    m_toldWaiting = aloneText();
    emit problem(m_toldWaiting);
}

QString AudienceBoard::aloneText() const
{
    if (QGuiApplication::screens().size() > 1)
        return QStringLiteral("The audience board's screen %1 mirrors or overlaps the operator's; "
                              "the board opens there when the screens are set side by side.")
                .arg(m_screenName);
    return QStringLiteral("The audience board's screen %1 is the only screen connected; the board "
                          "opens there when another one is.")
            .arg(m_screenName);
}

QScreen *AudienceBoard::operatorScreen() const
{
    if (m_operator->screen() != m_openedOn)
        return m_operator->screen();
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (screen != m_openedOn)
            return screen;
    }
    return nullptr;
}

void AudienceBoard::follow()
{
    matchScreensToPlaces();
    const bool alone = m_wanted && chosenScreenAlone();
    QScreen *target = m_wanted && !alone ? chosenScreen() : nullptr;
    // The board would cover the operator's: at start, as the operator's screen goes, or as the
    // projector is plugged in mirroring or overlapping it.
    // Told again when it comes to be so for another reason: a projector overlapping the
    // operator's screen is the only one left when that screen is unplugged.
    if (alone && (!m_waitsAlone || m_toldWaiting != aloneText())) {
        if (!m_toldWaiting.isEmpty())
            emit problemGone(std::exchange(m_toldWaiting, QString()));
        tellAlone();
    }
    m_waitsAlone = alone;
    // A board open where it is wanted stays; a screen added beside it (the operator's, plugged
    // in late) takes back the windows that had nowhere else to stand.
    if (!m_window || target != m_openedOn) {
        delete m_window;
        m_openedOn = target;
        if (target) {
            m_window = new frmAudience(m_bout, m_operator);
            connect(m_window, &frmAudience::labelsApplied, this, &AudienceBoard::labelsApplied);
            if (m_now)
                m_window->setTimeOfDaySource(m_now, m_timeLocale);
            m_window->showOn(target);
            // As the new board read them when it was made.
            emit labelsApplied();
            if (!m_toldWaiting.isEmpty())
                emit problemGone(std::exchange(m_toldWaiting, QString()));
        }
    }
    keepWindowsOff();
}

void AudienceBoard::matchScreensToPlaces() const
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        QWindow *handle = window->windowHandle();
        if (window == m_window || !window->isVisible() || !handle)
            continue;
        QScreen *standsOn = QGuiApplication::screenAt(window->frameGeometry().center());
        if (standsOn && standsOn != handle->screen())
            handle->setScreen(standsOn);
    }
}

void AudienceBoard::keepWindowsOff()
{
    // A scoreboard or help left on the projector, as they were put there before there was an
    // audience board, would vanish behind it.
    // The operator's board first, for the others to go beside it.
    QList<QWidget *> windows = QApplication::topLevelWidgets();
    windows.removeOne(m_operator);
    windows.prepend(m_operator);
    const QRect board = m_operator->frameGeometry();
    for (QWidget *window : windows) {
        const Qt::WindowType type = window->windowType();
        if (window == m_window || !window->isVisible()
            || (type != Qt::Window && type != Qt::Dialog))
            continue;
        // Help left beside the board where the board was moved to would now hide its clocks.
        const QRect moved = m_operator->frameGeometry();
        if (window != m_operator && moved != board && window->frameGeometry().intersects(moved))
            placeOnOperatorScreen(window);
        else
            keepOff(window);
    }
}

void AudienceBoard::screenRemoved(QScreen *screen)
{
    // Qt moves the windows of a screen that goes to another one: the board must not land on the
    // operator's. The bout goes on untouched.
    if (screen == m_openedOn) {
        delete m_window;
        m_openedOn = nullptr;
    }
    // The operator's screen gone, the board left alone on its own would cover the operator's
    // board that Qt moves there: it closes until another screen comes.
    QTimer::singleShot(0, this, &AudienceBoard::follow);
}

void AudienceBoard::updateLabels()
{
    if (m_window)
        m_window->UpdateLabels();
}

void AudienceBoard::refresh()
{
    if (m_window)
        m_window->RefreshTime();
}

void AudienceBoard::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_now = std::move(now);
    m_timeLocale = locale;
    if (m_window)
        m_window->setTimeOfDaySource(m_now, m_timeLocale);
}

void AudienceBoard::keepOff(QWidget *window) const
{
    if (!window)
        return;
    // Left where a screen was, with no window manager to move it, a window is out of sight.
    const QList<QScreen *> screens = QGuiApplication::screens();
    const bool seen = std::any_of(screens.begin(), screens.end(), [window](const QScreen *screen) {
        return screen->geometry().contains(window->frameGeometry().center());
    });
    if (seen && (!m_window || !window->frameGeometry().intersects(m_window->geometry())))
        return;
    placeOnOperatorScreen(window);
}

void AudienceBoard::placeOnOperatorScreen(QWidget *window) const
{
    QScreen *home = operatorScreen();
    if (!home)
        return;
    if (window->isMaximized() || window->isFullScreen())
        window->setWindowState(Qt::WindowNoState);
    // In the middle of the operator's screen; another window than the board beside the board,
    // as help opens.
    const QRect room = home->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QSize sides = frame.size() - window->size();
    // As large as it was, within that screen, and as the window may be: Options keeps its size.
    const QSize fits = (frame.size().boundedTo(room.size()) - sides)
                               .expandedTo(window->minimumSize())
                               .boundedTo(window->maximumSize())
            + sides;
    QRect place(QPoint(), fits);
    place.moveCenter(room.center());
    if (window != m_operator && m_operator->isVisible()
        && room.contains(m_operator->frameGeometry().center())) {
        // Narrowed down to the least the window takes, as help opens.
        const int least = std::max({window->minimumWidth(), window->minimumSizeHint().width(), 1})
                + sides.width();
        place = SidePlacement::beside(room, m_operator->frameGeometry(), fits, least);
    }
    // A window made larger than the operator's screen comes back within it.
    if (place.size() != frame.size())
        window->resize(place.size() - (frame.size() - window->size()));
    window->move(place.topLeft() + (window->pos() - frame.topLeft()));
}
