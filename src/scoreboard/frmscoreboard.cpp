#include "frmscoreboard.h"

#include "colorapply.h"
#include "image.h"
#include "layoutscaling.h"
#include "mmcontrol.h"
#include "numberled.h"
#include "picturebox.h"
#include "picturefit.h"
#include "platformcolor.h"
#include "scoreboarddesign.h"
#include "settingsmodel.h"
#include "timekeeper.h"
#include "timeled.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QTimer>

namespace {

constexpr qint64 kTicksPerSecond = TimeKeeper::TicksPerSecond;

template<typename T>
T *child(QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QLatin1String(name));
    Q_ASSERT_X(found, "frmScoreboard", name);
    return found;
}

} // namespace

frmScoreboard::frmScoreboard(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_now([] { return QTime::currentTime(); })
{
    setObjectName(QStringLiteral("frmScoreboard"));
    setWindowTitle(QStringLiteral("Corvanta"));
    // Only the nine displays take the focus: a click on the background, a label or a picture
    // leaves it (and the selection frame) where it was, and Tab cycles through the displays alone.
    setFocusPolicy(Qt::NoFocus);
    // At its designed size of 9480 x 6795 twips, with every widget of the board.
    buildScoreboardDesign(this);
    m_tkPeriod = child<TimeKeeper>(this, "tkPeriod");
    m_tkJam = child<TimeKeeper>(this, "tkJam");
    m_tledPeriod = child<TimeLED>(this, "tledPeriod");
    m_tledJam = child<TimeLED>(this, "tledJam");
    m_nledHomeScore = child<NumberLED>(this, "nledHomeScore");
    m_nledVisitorScore = child<NumberLED>(this, "nledVisitorScore");
    m_nledPeriod = child<NumberLED>(this, "nledPeriod");
    m_penalties = {PenaltyClock {child<TimeLED>(this, "tledHomePenalty1"),
                                 child<TimeKeeper>(this, "tkHomePenalty1")},
                   PenaltyClock {child<TimeLED>(this, "tledHomePenalty2"),
                                 child<TimeKeeper>(this, "tkHomePenalty2")},
                   PenaltyClock {child<TimeLED>(this, "tledVisitorPenalty1"),
                                 child<TimeKeeper>(this, "tkVisitorPenalty1")},
                   PenaltyClock {child<TimeLED>(this, "tledVisitorPenalty2"),
                                 child<TimeKeeper>(this, "tkVisitorPenalty2")}};
    m_selectionFrame = child<QWidget>(this, "shpObjectSelected");
    m_mmcBuzzer = child<MMControl>(this, "mmcBuzzer");
    m_tmrClock1 = child<QTimer>(this, "tmrClock1");

    connect(m_mmcBuzzer, &MMControl::Done, this, &frmScoreboard::mmcBuzzer_Done);
    connect(m_tmrClock1, &QTimer::timeout, this, &frmScoreboard::RefreshTime);
    connectDisplays();

    Form_Load();
    m_tmrClock1->start();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

frmScoreboard::~frmScoreboard()
{
    // Termination closes the device whatever it holds.
    m_mmcBuzzer->setProperty("Command", QStringLiteral("Close"));
}

void frmScoreboard::Form_Load()
{
    SaveLayout(this);
    m_jamResetTicks = 120 * kTicksPerSecond;
    m_tkJam->setTicks(m_jamResetTicks);
    m_periodResetTicks = 600 * kTicksPerSecond;
    m_tkPeriod->setTicks(m_periodResetTicks);
    for (const PenaltyClock &penalty : m_penalties)
        penalty.display->setValue(-1);
    for (const PenaltyClock &penalty : m_penalties)
        penalty.engine->setTicks(0);
    RefreshTime();
    UpdateLabels();
    UpdateFormColors();
}

double frmScoreboard::JamResetValue() const
{
    return double(m_jamResetTicks) / kTicksPerSecond;
}

double frmScoreboard::PeriodResetValue() const
{
    return double(m_periodResetTicks) / kTicksPerSecond;
}

void frmScoreboard::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_now = std::move(now);
    m_timeLocale = locale;
}

void frmScoreboard::UpdateLabels()
{
    const SettingsModel &s = settings();
    setWindowTitle(QStringLiteral("Corvanta"));
    child<QObject>(this, "lblTitle")->setProperty("Caption", s.TitleText);
    child<QObject>(this, "lblHomeTeam")->setProperty("Caption", s.HomeText);
    child<QObject>(this, "lblVisitorTeam")->setProperty("Caption", s.VisitorText);
    FitPicture(child<Image>(this, "imgHomePic"), child<PictureBox>(this, "picHomePicContainer"),
               s.HomePic);
    FitPicture(child<Image>(this, "imgVisitorPic"),
               child<PictureBox>(this, "picVisitorPicContainer"), s.VisitorPic);
    FitPicture(child<Image>(this, "imgBoardPic"), child<PictureBox>(this, "picBoardPicContainer"),
               s.BoardPic);
    SetLEDType(this, s.LEDType);
}

void frmScoreboard::UpdateFormColors()
{
    const SettingsModel &s = settings();
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PlatformColor::toQColor(s.FormBack));
    setPalette(palette);

    ColorLED(m_tledPeriod, s.TimeColor, s.LEDBack);
    ColorLED(m_nledHomeScore, s.ScoreColor, s.LEDBack);
    ColorLED(m_nledVisitorScore, s.ScoreColor, s.LEDBack);
    ColorLED(m_nledPeriod, s.PeriodColor, s.LEDBack);
    ColorLED(m_tledJam, s.TimeColor, s.LEDBack);
    for (const PenaltyClock &penalty : m_penalties)
        ColorLED(penalty.display, s.ScoreColor, s.LEDBack);

    QWidget *homeTeam = child<QWidget>(this, "lblHomeTeam");
    QWidget *visitorTeam = child<QWidget>(this, "lblVisitorTeam");
    const QList<QWidget *> containers {child<QWidget>(this, "picHomePicContainer"),
                                       child<QWidget>(this, "picVisitorPicContainer"),
                                       child<QWidget>(this, "picBoardPicContainer")};
    ColorFormControls(this, QList<QWidget *> {homeTeam, visitorTeam} + containers, s.BorderColor,
                      s.LEDBack);
    homeTeam->setProperty("ForeColor", s.HomeColor);
    visitorTeam->setProperty("ForeColor", s.VisitorColor);
    for (QWidget *container : containers)
        container->setProperty("BackColor", s.FormBack);
    m_selectionFrame->setProperty("FillColor", s.LEDSelected);
    // Every display's frame, the scores' and the period number's as well as the clocks'.
    for (SegmentDisplay *display : std::initializer_list<SegmentDisplay *> {
                 m_tledPeriod, m_tledJam, m_penalties[0].display, m_penalties[1].display,
                 m_penalties[2].display, m_penalties[3].display, m_nledHomeScore,
                 m_nledVisitorScore, m_nledPeriod})
        display->setProperty("BorderColor", s.BorderColor);
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
    m_nledHomeScore->setFocus(Qt::OtherFocusReason);
}

void frmScoreboard::closeEvent(QCloseEvent *event)
{
    if (!m_mmcBuzzer->property("FileName").toString().isEmpty())
        m_mmcBuzzer->setProperty("Command", QStringLiteral("Close"));
    event->accept();
    // The scoreboard is the main window: closing it ends the program with every other window.
    m_tmrClock1->stop();
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this)
            window->close();
    }
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
