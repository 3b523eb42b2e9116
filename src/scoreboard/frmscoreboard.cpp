#include "frmscoreboard.h"

#include "audienceboard.h"
#include "boardappearance.h"
#include "boardview.h"
#include "commandtable.h"
#include "digitentry.h"
#include "frmhelp.h"
#include "frmoptions.h"
#include "keycharacter.h"
#include "layoutscaling.h"
#include "numberled.h"
#include "numlock.h"
#include "selectionframe.h"
#include "settingsmodel.h"
#include "soundplayer.h"
#include "timeled.h"
#include "virtualkeycodes.h"
#include "virtualkeys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

#include <functional>

using namespace VirtualKeys;

namespace {

// What each display shows, in focus order.
constexpr Bout::Item kShown[] = {Bout::HomeScore,       Bout::PeriodClock,  Bout::VisitorScore,
                                 Bout::PeriodNumber,    Bout::JamClock,     Bout::HomePenalty1,
                                 Bout::VisitorPenalty1, Bout::HomePenalty2, Bout::VisitorPenalty2};

} // namespace

frmScoreboard::frmScoreboard(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ui(buildScoreboardDesign(this)) // at its designed size of 9480 x 6795 twips
    , m_bout(new Bout(this))
    , m_view(new BoardView(m_bout, m_ui, this))
    , m_sound(new SoundPlayer(m_ui.mmcBuzzer, this))
    , m_audience(new AudienceBoard(m_bout, this))
{
    setObjectName(QStringLiteral("frmScoreboard"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // Only the nine displays take the focus: a click on the background, a label or a picture
    // leaves it (and the selection frame) where it was, and Tab cycles through the displays alone.
    setFocusPolicy(Qt::NoFocus);

    connect(m_bout, &Bout::soundWanted, this, [this](Bout::Sound sound) {
        Buzzer(sound == Bout::BuzzerSound ? settings().BuzzerFile : settings().PeriodEndSoundFile);
    });
    connect(m_ui.tmrClock1, &QTimer::timeout, this, &frmScoreboard::RefreshTime);
    const auto displays = m_ui.displays();
    for (size_t i = 0; i < displays.size(); ++i) {
        SegmentDisplay *display = displays[i];
        connect(display, &SegmentDisplay::GotFocus, this,
                [this, display] { ObjectSelected(display); });
        connect(display, &SegmentDisplay::KeyUp, this, &frmScoreboard::AllKeyUp);
        connect(display, &SegmentDisplay::KeyDown, this, [this, display, i](int &keyCode, int) {
            display_KeyDown(display, kShown[i], keyCode);
        });
    }

    Form_Load();
    m_ui.tmrClock1->start();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

frmScoreboard::~frmScoreboard()
{
    // Termination closes the device whatever it holds.
    m_sound->close(true);
}

void frmScoreboard::Form_Load()
{
    SaveLayout(this);
    // The bout starts at 10:00 and 2:00 with blank penalty clocks, nothing running.
    RefreshTime();
    UpdateLabels();
    UpdateFormColors();
}

void frmScoreboard::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_audience->setTimeOfDaySource(now, locale);
    m_view->setTimeOfDaySource(std::move(now), locale);
}

// The bout follows the clock options as they stand, also when they change behind its back.
void frmScoreboard::applyRules()
{
    m_bout->setJoinJamPenalty(settings().JoinJamPenalty == 1);
    m_bout->setDelayPeriodEndSound(settings().SuppressPeriodSound == 1);
}

void frmScoreboard::RefreshTime()
{
    applyRules();
    m_bout->refresh();
    // Both boards on the same tick, one straight after the other.
    m_view->showClocks();
    m_audience->refresh();
}

void frmScoreboard::AllKeyCode(int keyCode)
{
    const SettingsModel &s = settings();
    applyRules();
    // The window's commands in the order of Command; the keys a selected display acts on follow
    // them there and are no commands of the window.
    const std::function<void()> handlers[]
            = {[this] { m_bout->startStopJam(); },          [this] { m_bout->resetJam(); },
               [this] { m_bout->startStopPeriod(); },       [this] { m_bout->resetPeriod(); },
               [this] { m_bout->switchClock(); },           [this, &s] { Buzzer(s.BuzzerFile); },
               [this, &s] { Buzzer(s.PeriodEndSoundFile); }};
    // In the table's order: when two settings hold the same key, the earlier command wins.
    for (const CommandKey &row : commandTable()) {
        if (size_t(row.command) < std::size(handlers) && keyCode == s.*row.field) {
            handlers[size_t(row.command)]();
            return;
        }
    }
    if (keyCode != 0 && keyCode == s.AudienceBoardKey)
        m_audience->toggle();
    else if (keyCode == kF1)
        m_audience->keepOff(frmHelp::showHelp());
    else if (keyCode == kF2)
        showOptions();
}

void frmScoreboard::showOptions()
{
    // Modal: the scoreboard takes no keys meanwhile, but its clocks go on counting and sounding.
    frmOptions options(this);
    options.exec();
    // The keyboard comes back here, wherever the window system would send it.
    activateWindow();
    m_audience->setScreenName(settings().AudienceScreen);
    UpdateLabels();
    UpdateFormColors();
    RefreshTime();
    SaveLayout(this);
}

// Each key runs as a command first and then reaches the display's typed entry as a character.
void frmScoreboard::display_KeyDown(SegmentDisplay *display, Bout::Item shown, int keyCode)
{
    const SettingsModel &s = settings();
    applyRules();
    const int penalty = shown - Bout::HomePenalty1;
    const bool isPenalty = penalty >= 0 && penalty < Bout::PenaltyCount;
    // A penalty clock's own keys act before the key runs as a command.
    if (isPenalty && keyCode == s.ClearKey)
        m_bout->clearPenalty(penalty);
    if (isPenalty && keyCode == s.PenaltyIncrementSecKey)
        m_bout->addPenaltyTime(penalty, s.PenaltyIncrementSec);
    AllKeyCode(keyCode);
    const int c = KeyCodeToAsci(keyCode);
    if (isPenalty && keyCode == s.SepTimeKey)
        m_bout->startStopPenalty(penalty);

    if (shown >= Bout::HomeScore && shown <= Bout::PeriodNumber) {
        auto *number = static_cast<NumberLED *>(display);
        NumberKeyEntry(number, c, -1,
                       shown == Bout::PeriodNumber ? Bout::PeriodNumberLimit : Bout::ScoreLimit);
        m_bout->setNumber(shown, number->Caption().toInt());
    } else if (shown == Bout::JamClock) {
        if (const auto typed = TimeKeyEntry(display, c, Bout::JamLimitSeconds))
            m_bout->setJamTime(*typed);
    } else if (shown == Bout::PeriodClock) {
        if (const auto typed = TimeKeyEntry(display, c, Bout::PeriodLimitSeconds))
            m_bout->setPeriodTime(*typed);
    } else if (const auto typed = TimeKeyEntry(display, c, Bout::PenaltyLimitSeconds)) {
        m_bout->setPenaltyTime(penalty, *typed);
    }
    // What the key did shows at once rather than at the next tick.
    RefreshTime();
}

void frmScoreboard::AllKeyUp(int keyCode, int shift)
{
    Q_UNUSED(shift);
    if (keyCode == kNumLock)
        UpdateNumLock();
}

void frmScoreboard::UpdateNumLock()
{
    // An operator's press of NumLock is undone on release in the keep-on and keep-off modes.
    const qint32 force = settings().NumLockForce;
    if (force == 1)
        SetNumLock(true);
    else if (force == 2)
        SetNumLock(false);
}

int frmScoreboard::KeyCodeToAsci(int keyCode) const
{
    return KeyCharacter(keyCode, settings().ClearKey);
}

void frmScoreboard::Buzzer(const QString &fileName)
{
    m_sound->play(fileName);
}

bool frmScoreboard::BuzzerPlaying() const
{
    return m_sound->isPlaying();
}

void frmScoreboard::ObjectSelected(QWidget *selected)
{
    FrameSelection(m_ui.shpObjectSelected, selected, settings().LEDSelectedWidth);
}

void frmScoreboard::UpdateLabels()
{
    ApplyBoardLabels(this, m_ui, settings());
    m_audience->updateLabels();
}

void frmScoreboard::UpdateFormColors()
{
    ApplyBoardColors(this, m_ui, settings());
    m_audience->updateColors();
}

void frmScoreboard::keyPressEvent(QKeyEvent *event)
{
    // Reached only when no display has the focus: a focused display handles its own keys.
    if (const int keyCode = VirtualKeys::fromEvent(event)) {
        AllKeyCode(keyCode);
        // What the key did shows at once rather than at the next tick.
        RefreshTime();
    }
    event->accept();
}

void frmScoreboard::keyReleaseEvent(QKeyEvent *event)
{
    if (const int keyCode = VirtualKeys::fromEvent(event))
        AllKeyUp(keyCode, int(event->modifiers() & Qt::ShiftModifier ? 1 : 0));
    event->accept();
}

void frmScoreboard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    StretchLayout(this);
    ObjectSelected(nullptr);
    UpdateLabels();
}

void frmScoreboard::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The first display of the focus order takes the focus; its GotFocus frames it.
    m_ui.nledHomeScore->setFocus(Qt::OtherFocusReason);
    // The audience board opens once the operator's window is there to keep the keyboard.
    m_audience->setScreenName(settings().AudienceScreen);
}

void frmScoreboard::closeEvent(QCloseEvent *event)
{
    m_sound->close(false);
    event->accept();
    // The scoreboard is the main window: closing it ends the program with every other window.
    m_ui.tmrClock1->stop();
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this)
            window->close();
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
