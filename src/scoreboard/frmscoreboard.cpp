#include "frmscoreboard.h"

#include "audienceboard.h"
#include "boardappearance.h"
#include "boardview.h"
#include "commandtable.h"
#include "displaykeydown.h"
#include "frmhelp.h"
#include "frmoptions.h"
#include "journalsession.h"
#include "keycharacter.h"
#include "label.h"
#include "layoutscaling.h"
#include "mmcontrol.h"
#include "notice.h"
#include "numberled.h"
#include "numlock.h"
#include "selectionframe.h"
#include "settings.h"
#include "soundplayer.h"
#include "timeled.h"
#include "virtualkeycodes.h"
#include "virtualkeys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

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
    , m_notice(new Notice(m_ui.lblNotice, m_ui.lblCreatedBy, this))
    , m_audience(new AudienceBoard(m_bout, this))
{
    setObjectName(QStringLiteral("frmScoreboard"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // Only the nine displays take the focus: a click elsewhere leaves it (and the frame) put.
    setFocusPolicy(Qt::NoFocus);
    // A sound that cannot play, or a silent sound server, is told in the notice. A file's
    // message names the file being played, which the notice may shorten to keep the reason whole.
    connect(m_ui.mmcBuzzer, &MMControl::Problem, m_notice, [this](const QString &text) {
        m_notice->showText(text, QFileInfo(m_ui.mmcBuzzer->fileName()).fileName());
    });

    // The end-of-jam and end-of-period signals are never lost to a sound that happens to play.
    connect(m_bout, &Bout::soundWanted, this, [this](Bout::Sound sound, bool automatic) {
        const QString &file = sound == Bout::BuzzerSound ? settings().BuzzerFile
                                                         : settings().PeriodEndSoundFile;
        if (automatic)
            m_sound->playSignal(file);
        else
            Buzzer(file);
    });
    connect(m_ui.tmrClock1, &QTimer::timeout, this, &frmScoreboard::RefreshTime);
    const auto displays = m_ui.displays();
    for (size_t i = 0; i < displays.size(); ++i) {
        SegmentDisplay *display = displays[i];
        connect(display, &SegmentDisplay::GotFocus, this,
                [this, display] { ObjectSelected(display); });
        connect(display, &SegmentDisplay::KeyUp, this, &frmScoreboard::AllKeyUp);
        connect(display, &SegmentDisplay::KeyDown, this, [this, display, i](int &keyCode, int) {
            DisplayKeyDown(
                    m_bout, display, kShown[i], keyCode, settings(),
                    [this](int key) { AllKeyCode(key); },
                    [this](int key) { return KeyCodeToAsci(key); });
            RefreshTime(); // what the key did shows at once rather than at the next tick
        });
    }
    // The bout plays by the clock options from its first moment, before a journal resumes it,
    // and the boards take on new looks, as the settings change.
    followSettings(settings());
    connect(&Settings::instance(), &Settings::changed, this, &frmScoreboard::followSettings);
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
    m_loaded = true;
}

void frmScoreboard::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_audience->setTimeOfDaySource(now, locale);
    m_view->setTimeOfDaySource(std::move(now), locale);
}

void frmScoreboard::followSettings(const SettingsModel &now)
{
    m_bout->setJoinJamPenalty(now.JoinJamPenalty);
    m_bout->setDelayPeriodEndSound(now.SuppressPeriodSound);
    // Not while the window is being built: its load applies the looks once it is complete.
    if (!m_loaded)
        return;
    UpdateLabels();
    UpdateFormColors();
    RefreshTime();
}

void frmScoreboard::RefreshTime()
{
    m_bout->refresh();
    m_view->showClocks();
    m_audience->refresh();
}

void frmScoreboard::AllKeyCode(int keyCode)
{
    const SettingsModel &s = settings();
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
    if (s.NewBoutKey != 0 && keyCode == s.NewBoutKey)
        NewBout();
    else if (keyCode == kF1)
        showHelp();
    else if (!m_audience->takeKey(keyCode) && keyCode == kF2)
        showOptions();
}

void frmScoreboard::keepIn(BoutJournal *journal)
{
    auto *session = new JournalSession(m_bout, journal, m_notice, this);
    session->resume();
    RefreshTime();
}

void frmScoreboard::NewBout()
{
    if (QMessageBox::question(this, QStringLiteral("New Bout"), frmOptions::newBoutQuestion(),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes)
        startNewBout();
}

void frmScoreboard::startNewBout()
{
    m_bout->setState(BoutState());
    RefreshTime();
}

void frmScoreboard::showHelp()
{
    // Help opens on this board's screen and leaves it the keyboard, also where the window system
    // would give a new window the focus.
    m_audience->keepOff(frmHelp::showHelp(this));
    activateWindow();
}

void frmScoreboard::showOptions()
{
    // Modal: the scoreboard takes no keys meanwhile, but its clocks go on counting and sounding.
    frmOptions options(this);
    connect(&options, &frmOptions::newBoutConfirmed, this, &frmScoreboard::startNewBout);
    options.exec();
    // What OK changed the boards have taken on already, through the settings. The keyboard comes
    // back to this board, wherever the window system would send it.
    activateWindow();
    SaveLayout(this);
}

void frmScoreboard::AllKeyUp(int keyCode, int /*shift*/)
{
    if (keyCode == kNumLock)
        UpdateNumLock();
}

void frmScoreboard::UpdateNumLock()
{
    // An operator's press of NumLock is undone on release in the keep-on and keep-off modes.
    const NumLockMode force = settings().NumLockForce;
    if (force == NumLockMode::KeepOn)
        SetNumLock(true);
    else if (force == NumLockMode::KeepOff)
        SetNumLock(false);
}

int frmScoreboard::KeyCodeToAsci(int keyCode) const
{
    return KeyCharacter(keyCode, settings().ClearKey);
}

void frmScoreboard::ObjectSelected(QWidget *selected)
{
    FrameSelection(m_ui.shpObjectSelected, selected, settings().LEDSelectedWidth);
}

void frmScoreboard::UpdateLabels()
{
    ApplyBoardLabels(this, m_ui, settings());
}

void frmScoreboard::UpdateFormColors()
{
    ApplyBoardColors(this, m_ui, settings());
}

void frmScoreboard::keyPressEvent(QKeyEvent *event)
{
    // Reached only when no display has the focus: a focused display handles its own keys.
    if (const int keyCode = VirtualKeys::fromEvent(event)) {
        AllKeyCode(keyCode);
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
