#include "frmscoreboard.h"

#include "audienceboard.h"
#include "boardappearance.h"
#include "boardtrace.h"
#include "boardview.h"
#include "clockreadout.h"
#include "commandtable.h"
#include "displaykeydown.h"
#include "frmhelp.h"
#include "frmoptions.h"
#include "journalsession.h"
#include "keycharacter.h"
#include "keycodetostr.h"
#include "keyrepeatfilter.h"
#include "label.h"
#include "layoutscaling.h"
#include "livefeed.h"
#include "mmcontrol.h"
#include "notice.h"
#include "numberled.h"
#include "numlock.h"
#include "picturereturnwatch.h"
#include "screenkeeper.h"
#include "selectionframe.h"
#include "settings.h"
#include "settingsconversion.h"
#include "settingsstore.h"
#include "soundplayer.h"
#include "timeled.h"
#include "virtualkeycodes.h"
#include "virtualkeys.h"
#include "windowsurface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QTimer>

#include <utility>

using namespace VirtualKeys;

namespace {

// What each display shows, in focus order.
constexpr Bout::Item kShown[] = {Bout::HomeScore,       Bout::PeriodClock,  Bout::VisitorScore,
                                 Bout::PeriodNumber,    Bout::JamClock,     Bout::HomePenalty1,
                                 Bout::VisitorPenalty1, Bout::HomePenalty2, Bout::VisitorPenalty2};
// And the game flow's, in the order of ScoreboardUi::flowDisplays().
constexpr Bout::Item kFlowShown[]
        = {Bout::JamNumber,      Bout::HomeTimeouts, Bout::HomeReviews,    Bout::VisitorTimeouts,
           Bout::VisitorReviews, Bout::HomePenalty3, Bout::VisitorPenalty3};

// "The PC slept 2:05; the clocks ran on.", with the hours when it slept that long.
QString sleepText(qint64 milliseconds, bool clocksStopped)
{
    if (clocksStopped)
        return frmScoreboard::tr("The PC slept more than a day, clocks stopped.");
    const qint64 seconds = milliseconds / 1000;
    const QString length = seconds >= 3600
            ? QStringLiteral("%1:%2:%3")
                      .arg(seconds / 3600)
                      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(seconds % 60, 2, 10, QLatin1Char('0'))
            : ClockReadout::minutesText(seconds);
    return frmScoreboard::tr("The PC slept %1; the clocks ran on.").arg(length);
}

template<typename T>
T *named(QWidget *window, const char *name)
{
    auto *object = new T(window);
    object->setObjectName(QLatin1String(name));
    return object;
}

} // namespace

frmScoreboard::frmScoreboard(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_ui(buildScoreboardDesign(this)) // at its designed size of 9480 x 6795 twips
    , m_buzzer(named<MMControl>(this, "mmcBuzzer"))
    , m_clock(named<QTimer>(this, "tmrClock1"))
    , m_bout(new Bout(this))
    , m_view(new BoardView(m_bout, m_ui, this))
    , m_sound(new SoundPlayer(m_buzzer, this))
    , m_notice(new Notice(m_ui.lblNotice, m_ui.lblCreatedBy, this))
    , m_audience(new AudienceBoard(m_bout, this))
    , m_pictures(new PictureReturnWatch(this))
    , m_feed(new LiveFeed(m_bout, this))
{
    setObjectName(QStringLiteral("frmScoreboard"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // Only the nine displays take the focus: a click elsewhere leaves it (and the frame) put.
    setFocusPolicy(Qt::NoFocus);
    m_clock->setInterval(50);
    m_clock->setTimerType(Qt::PreciseTimer);
    // A sound that cannot play, or a silent sound server, is told in the notice. A file's
    // message names the file being played, which the notice may shorten to keep the reason whole.
    connect(m_buzzer, &MMControl::Problem, m_notice, [this](const QString &text) {
        m_notice->showText(text, QFileInfo(m_buzzer->fileName()).fileName());
    });
    connect(m_buzzer, &MMControl::ProblemGone, m_notice, [this](const QString &text) {
        if (m_notice->text() == text)
            m_notice->clear();
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
    connect(m_clock, &QTimer::timeout, this, &frmScoreboard::RefreshTime);
    // A clock the bout stopped at its zero shows so everywhere at once, not at the next tick.
    connect(m_bout, &Bout::ranOut, this, &frmScoreboard::RefreshTime);
    const auto tell = [this](const QString &text) { m_notice->showText(text); };
    // A feed that cannot listen is told once; the board runs on without it.
    connect(m_feed, &LiveFeed::problem, m_notice,
            [this](const QString &text) { m_notice->addText(text); });
    // Listening after all takes the place of those words alone: the bout's greeting beside them
    // at start stays.
    connect(m_feed, &LiveFeed::problemOver, m_notice,
            [this](const QString &told, const QString &text) {
                m_notice->replaceText(told, text);
            });
    // A picture file back where it was chosen from shows again, on both boards.
    connect(m_pictures, &PictureReturnWatch::returned, this, [this] {
        UpdateLabels();
        m_audience->updateLabels();
    });
    // What the audience board found, made again while a file was away, counts as much.
    connect(m_audience, &AudienceBoard::labelsApplied, this, &frmScoreboard::watchPictures);
    // The audience board's key with no screen to show it on is told.
    connect(m_audience, &AudienceBoard::problem, m_notice, tell);
    connect(m_audience, &AudienceBoard::problemGone, m_notice, [this](const QString &text) {
        if (m_notice->text().contains(text))
            m_notice->clear();
    });
    // A sleep of the PC mid-bout is told, since the clocks have jumped on by it.
    connect(m_bout, &Bout::slept, m_notice, [this](qint64 milliseconds, bool clocksStopped) {
        m_notice->showText(sleepText(milliseconds, clocksStopped));
    });
    // A command the game flow refuses is told for a moment; the board runs on.
    connect(m_bout, &Bout::refused, this, &frmScoreboard::tellInPassing);
    const auto displays = m_ui.displays();
    for (size_t i = 0; i < displays.size(); ++i)
        connectDisplay(displays[i], kShown[i]);
    // The bout plays by the clock options from its first moment, before a journal resumes it,
    // and the boards take on new looks, as the settings change.
    followSettings(settings());
    connect(&Settings::instance(), &Settings::changed, this, &frmScoreboard::followSettings);
    Form_Load();
    m_clock->start();
    // A settings file that is there but could not be read left settings at their defaults: the
    // words stand longer than most, for an operator who looks up from the desk a little later.
    if (const QString problem = SettingsReadProblem(); !problem.isEmpty())
        m_notice->addText(problem, SettingsProblemSeconds);

    // A screen smaller than the design (a netbook, a large desktop scale) gets the whole board,
    // brought down to fit: its design scales with the window.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (!screen.isEmpty() && (width() > screen.width() || height() > screen.height()))
        resize(size().scaled(screen.size(), Qt::KeepAspectRatio));
    move(screen.center() - rect().center());
    // The screens stay on while the board shows, at halftime too when nobody presses a key.
    new ScreenKeeper(this);
    // The refresh and key timing for benchmarks, when asked for by the environment.
    BoardTrace::watch(this, m_clock);
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
    m_feed->setTimeOfDaySource(now, locale);
    m_view->setTimeOfDaySource(std::move(now), locale);
}

void frmScoreboard::connectDisplay(SegmentDisplay *display, Bout::Item shown)
{
    connect(display, &SegmentDisplay::GotFocus, this, [this, display] {
        // The selection moved (Tab, a click) is an answer to the new-bout question too.
        dropNewBoutQuestion();
        dropPassingWords();
        ObjectSelected(display);
    });
    connect(display, &SegmentDisplay::KeyUp, this, &frmScoreboard::AllKeyUp);
    display->installEventFilter(this);
    connect(display, &SegmentDisplay::KeyDown, this, [this, shown](int &keyCode, int) {
        keyDown(keyCode, shown);
        RefreshTime(); // what the key did shows at once rather than at the next tick
    });
}

void frmScoreboard::followLayout(const SettingsModel &now)
{
    if (m_ui.gameFlow == now.GameFlow)
        return;
    const bool built = m_ui.nledJamNumber;
    layOutScoreboard(this, m_ui, now.GameFlow);
    if (!built && m_ui.nledJamNumber) {
        const auto displays = m_ui.flowDisplays();
        for (size_t i = 0; i < displays.size(); ++i)
            connectDisplay(displays[i], kFlowShown[i]);
        m_view->showNumbers();
    }
    // A selected display the plain board hides hands the selection back to the first one.
    QWidget *selected = focusWidget();
    if (m_loaded && (!selected || !selected->isVisibleTo(this)))
        m_ui.nledHomeScore->setFocus(Qt::OtherFocusReason);
    else if (m_loaded)
        ObjectSelected(selected);
}

void frmScoreboard::followSettings(const SettingsModel &now)
{
    m_bout->setJoinJamPenalty(now.JoinJamPenalty);
    m_bout->setDelayPeriodEndSound(now.SuppressPeriodSound);
    m_bout->setGameRules(gameRules(now));
    followLayout(now);
    m_feed->apply(now);
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
    m_feed->refresh();
}

void frmScoreboard::AllKeyCode(int keyCode)
{
    keyDown(keyCode, std::nullopt);
}

// Every key takes this one path, from a selected display or from the window: the command it
// runs, if any, else help, Options or a new bout, and then on a selected display the character
// it types there.
void frmScoreboard::keyDown(int keyCode, std::optional<Bout::Item> selected)
{
    const SettingsModel &s = settings();
    // The new-bout question on the board is answered by the next key: the New Bout key again
    // starts the new bout; any other key keeps this one and does what it always does.
    // The question stands as long as the notice shows it, not after its time or a newer text.
    // A key held down answers nothing, nor asks again: its repeats are not a second press. What the
    // key's event said is taken once, so that a key given by name (AllKeyCode) is a press.
    const bool repeats = std::exchange(m_keyRepeats, false);
    const bool modifier
            = keyCode == kShift || keyCode == kControl || keyCode == kAlt || keyCode == kNumLock;
    if (!modifier && !repeats && dropNewBoutQuestion() && keyCode == s.NewBoutKey) {
        startNewBout();
        return;
    }
    const std::optional<Command> command = commandOn(keyCode, s);
    // The repeats of a key that acts once are no next key: the words about it stand.
    const bool held = repeats && command && !commandKey(*command).repeatsWhenHeld;
    if (!modifier && !held)
        dropPassingWords();
    if (command) {
        if (!held)
            run(*command, selected);
    } else if (s.NewBoutKey != 0 && keyCode == s.NewBoutKey && !repeats)
        NewBout();
    else if (keyCode == kF1)
        showHelp();
    else if (keyCode == kF2)
        showOptions();
    if (selected && DisplayKeyDown(m_bout, m_entry, *selected, KeyCodeToAsci(keyCode)))
        tellKeptTime({*selected});
}

// Clocks given a time where their displays show something else say what they were given.
void frmScoreboard::tellKeptTime(std::initializer_list<Bout::Item> clocks)
{
    QStringList kept;
    for (const Bout::Item clock : clocks) {
        if (const QString text = KeptTimeText(*m_bout, clock, settings().ClockSwitchKey);
            !text.isEmpty())
            kept << text;
    }
    if (!kept.isEmpty())
        tellInPassing(kept.join(u' '));
}

// Words about the key just pressed stand for a moment, or until the operator does something
// else, which may well make them untrue: J after "The score is tied: ..." plays an overtime jam, U
// takes back the time a notice says was set.
void frmScoreboard::tellInPassing(const QString &text)
{
    m_passingWords = text;
    m_notice->showText(text);
}

void frmScoreboard::dropPassingWords()
{
    dropNotice(std::exchange(m_passingWords, QString()));
}

bool frmScoreboard::dropNewBoutQuestion()
{
    return dropNotice(newBoutAskedText(settings().NewBoutKey));
}

bool frmScoreboard::dropNotice(const QString &text)
{
    if (text.isEmpty() || m_notice->text() != text)
        return false;
    m_notice->clear();
    return true;
}

void frmScoreboard::mousePressEvent(QMouseEvent *event)
{
    // A click anywhere on the board, the selected display included, keeps the bout.
    dropNewBoutQuestion();
    dropPassingWords();
    QWidget::mousePressEvent(event);
}

void frmScoreboard::run(Command command, std::optional<Bout::Item> selected)
{
    const SettingsModel &s = settings();
    // The penalty clock selected, if one is: the keys of the display commands act on it alone.
    const int penalty = selected ? PenaltyOf(*selected) : -1;
    const bool onPenalty = penalty >= 0;
    switch (command) {
    case Command::StartStopJamClock:
        m_bout->startStopJam();
        return;
    case Command::ResetJamClock:
        m_bout->resetJam();
        tellKeptTime({Bout::JamClock});
        return;
    case Command::StartStopPeriodClock:
        m_bout->startStopPeriod();
        return;
    case Command::ResetPeriodClock:
        // The jam clock is reset with it.
        m_bout->resetPeriod();
        tellKeptTime({Bout::PeriodClock, Bout::JamClock});
        return;
    case Command::ClockSwitch:
        m_bout->switchClock();
        return;
    case Command::Buzzer:
        Buzzer(s.BuzzerFile);
        return;
    case Command::PeriodEndSound:
        Buzzer(s.PeriodEndSoundFile);
        return;
    case Command::Clear: // a number display reads the clear key as typed
        if (onPenalty)
            m_bout->clearPenalty(penalty);
        return;
    case Command::PenaltyIncrement:
        if (onPenalty)
            m_bout->addPenaltyTime(penalty, s.PenaltyIncrementSec);
        return;
    case Command::SepTime:
        if (onPenalty)
            m_bout->startStopPenalty(penalty);
        return;
    case Command::AudienceBoard:
        m_audience->toggle();
        return;
    case Command::HomeTimeout:
        m_bout->teamTimeout(Team::Home);
        return;
    case Command::VisitorTimeout:
        m_bout->teamTimeout(Team::Visitor);
        return;
    case Command::OfficialTimeout:
        m_bout->officialTimeout();
        return;
    case Command::HomeReview:
        m_bout->officialReview(Team::Home);
        return;
    case Command::VisitorReview:
        m_bout->officialReview(Team::Visitor);
        return;
    case Command::Undo:
        // What is half typed goes with the step before it.
        m_entry = DigitEntry();
        m_bout->undo();
        return;
    }
}

void frmScoreboard::keepIn(BoutJournal *journal)
{
    m_session = new JournalSession(m_bout, journal, m_notice, this);
    m_session->resume();
    RefreshTime();
}

QString frmScoreboard::newBoutAskedText(int newBoutKey)
{
    return tr("The clocks are running. Press %1 again to start a new bout; any other key keeps "
              "this one.")
            .arg(KeyCodeToStr(newBoutKey));
}

void frmScoreboard::NewBout()
{
    // A question box would take the keys, and cover displays, while the bout's clocks run: the
    // board asks below the jam clock instead, and goes on taking every key.
    if (m_bout->isAnyClockRunning()) {
        m_notice->showText(newBoutAskedText(settings().NewBoutKey));
        return;
    }
    // The key that asked may still be held down: its repeats answer nothing, whatever button
    // its letter names.
    const KeyRepeatFilter held;
    const bool yes
            = QMessageBox::question(this, QStringLiteral("New Bout"), frmOptions::newBoutQuestion(),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    // Answered either way, the keyboard comes back to this board, wherever the window system
    // would send it.
    activateWindow();
    if (yes)
        startNewBout();
}

void frmScoreboard::startNewBout()
{
    // What is half typed goes with the bout it was typed into.
    m_entry = DigitEntry();
    m_bout->newBout();
    if (m_session)
        m_session->dropGreeting();
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
    options.keepClearOf(this);
    // Told as it opens, and again as the feed gets its port, or loses it, while it is open.
    const auto tellFeed = [this, &options] { options.tellFeedTrouble(m_feed->trouble()); };
    tellFeed();
    connect(m_feed, &LiveFeed::problem, &options, tellFeed);
    connect(m_feed, &LiveFeed::problemOver, &options, tellFeed);
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
    const SettingsModel &s = settings();
    ApplyBoardLabels(this, m_ui, s);
    watchPictures();
}

void frmScoreboard::watchPictures()
{
    const SettingsModel &s = settings();
    m_pictures->watch({s.HomePic, s.VisitorPic, s.BoardPic});
}

void frmScoreboard::UpdateFormColors()
{
    ApplyBoardColors(this, m_ui, settings());
}

bool frmScoreboard::eventFilter(QObject *watched, QEvent *event)
{
    // A display's key, as it reaches the display.
    if (event->type() == QEvent::KeyPress)
        m_keyRepeats = m_repeats.repeats(*static_cast<QKeyEvent *>(event));
    else if (event->type() == QEvent::KeyRelease)
        m_repeats.released(*static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

void frmScoreboard::keyPressEvent(QKeyEvent *event)
{
    m_keyRepeats = m_repeats.repeats(*event);
    // Reached only when no display has the focus: a focused display handles its own keys.
    if (const int keyCode = VirtualKeys::fromEvent(event)) {
        AllKeyCode(keyCode);
        RefreshTime();
    }
    event->accept();
}

void frmScoreboard::keyReleaseEvent(QKeyEvent *event)
{
    m_repeats.released(*event);
    if (const int keyCode = VirtualKeys::fromEvent(event))
        AllKeyUp(keyCode, int(event->modifiers() & Qt::ShiftModifier ? 1 : 0));
    event->accept();
}

void frmScoreboard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The pixels for the new size are brought in on the second core meanwhile.
    const WindowSurface surface(this);
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
    // Help opened from the start-up window stays open; where the board now lies over it, it
    // goes beside the board.
    frmHelp::moveBeside(this);
    // The first display of the focus order takes the focus; its GotFocus frames it.
    m_ui.nledHomeScore->setFocus(Qt::OtherFocusReason);
}

void frmScoreboard::closeEvent(QCloseEvent *event)
{
    m_sound->close(false);
    event->accept();
    // The scoreboard is the main window: closing it ends the program with every other window.
    m_clock->stop();
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this)
            window->close();
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
