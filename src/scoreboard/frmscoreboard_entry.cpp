// Selecting a display and typing into it: the selection frame, and the key-down handling of the
// score, period-number, jam, period and penalty displays.

#include "frmscoreboard.h"

#include "digitentry.h"
#include "numberled.h"
#include "settingsmodel.h"
#include "timekeeper.h"
#include "timeled.h"

#include <cmath>

namespace {

constexpr qint64 kTicksPerSecond = TimeKeeper::TicksPerSecond;
constexpr qint32 kPenaltyLimitSeconds = 599;
constexpr qint32 kJamLimitSeconds = 599;
constexpr qint32 kPeriodLimitSeconds = 5999;

} // namespace

void frmScoreboard::ObjectSelected(QWidget *selected)
{
    // The frame lies beneath the displays, so only a margin of it shows round the selected one:
    // LEDSelectedWidth pixels, and one pixel more on the right and below.
    const int margin = std::clamp<int>(settings().LEDSelectedWidth, 0, 5) * 15;
    m_selectionFrame->hide();
    if (!selected)
        return;
    const QVariant left = selected->property("Left");
    const QVariant top = selected->property("Top");
    const QVariant width = selected->property("Width");
    const QVariant height = selected->property("Height");
    if (!left.isValid() || !top.isValid() || !width.isValid() || !height.isValid())
        return;
    m_selectionFrame->setProperty("Left", left.toDouble() - margin);
    m_selectionFrame->setProperty("Top", top.toDouble() - margin);
    m_selectionFrame->setProperty("Width", width.toDouble() + 2 * margin + 15);
    m_selectionFrame->setProperty("Height", height.toDouble() + 2 * margin + 15);
    m_selectionFrame->show();
}

void frmScoreboard::connectDisplays()
{
    const QList<SegmentDisplay *> displays {m_nledHomeScore,
                                            m_tledPeriod,
                                            m_nledVisitorScore,
                                            m_nledPeriod,
                                            m_tledJam,
                                            m_penalties[0].display,
                                            m_penalties[2].display,
                                            m_penalties[1].display,
                                            m_penalties[3].display};
    for (SegmentDisplay *display : displays) {
        connect(display, &SegmentDisplay::GotFocus, this,
                [this, display] { ObjectSelected(display); });
        connect(display, &SegmentDisplay::KeyUp, this, &frmScoreboard::AllKeyUp);
    }

    for (NumberLED *score : {m_nledHomeScore, m_nledVisitorScore}) {
        connect(score, &NumberLED::KeyDown, this,
                [this, score](int &keyCode, int) { numberDisplay_KeyDown(score, keyCode, 999); });
    }
    connect(m_nledPeriod, &NumberLED::KeyDown, this,
            [this](int &keyCode, int) { numberDisplay_KeyDown(m_nledPeriod, keyCode, 9); });
    connect(m_tledJam, &TimeLED::KeyDown, this,
            [this](int &keyCode, int) { tledJam_KeyDown(keyCode); });
    connect(m_tledPeriod, &TimeLED::KeyDown, this,
            [this](int &keyCode, int) { tledPeriod_KeyDown(keyCode); });
    for (const PenaltyClock &penalty : m_penalties) {
        connect(penalty.display, &TimeLED::KeyDown, this,
                [this, penalty](int &keyCode, int) { penaltyDisplay_KeyDown(penalty, keyCode); });
    }

    // Connected last, so that it runs after each display's own handling: what a key did shows at
    // once rather than at the next tick.
    for (SegmentDisplay *display : displays)
        connect(display, &SegmentDisplay::KeyDown, this, &frmScoreboard::RefreshTime);
}

void frmScoreboard::numberDisplay_KeyDown(NumberLED *display, int keyCode, qint16 max)
{
    AllKeyCode(keyCode);
    NumberKeyEntry(display, KeyCodeToAsci(keyCode), -1, max);
}

void frmScoreboard::tledJam_KeyDown(int keyCode)
{
    AllKeyCode(keyCode);
    const std::optional<qint64> typed
            = TimeKeyEntry(m_tledJam, KeyCodeToAsci(keyCode), kJamLimitSeconds);
    if (!typed)
        return;
    // A running jam goes on counting from the typed time.
    m_tkJam->setTicks(*typed);
    if (settings().JoinJamPenalty == 1)
        setPenaltiesRunning(false);
    m_jamResetTicks = *typed;
    RefreshTime();
}

void frmScoreboard::tledPeriod_KeyDown(int keyCode)
{
    AllKeyCode(keyCode);
    const std::optional<qint64> typed
            = TimeKeyEntry(m_tledPeriod, KeyCodeToAsci(keyCode), kPeriodLimitSeconds);
    if (!typed)
        return;
    setPenaltiesRunning(false);
    m_tkPeriod->setTicks(*typed);
    m_tkPeriod->setRunning(false);
    m_periodResetTicks = *typed;
    RefreshTime();
}

void frmScoreboard::penaltyDisplay_KeyDown(const PenaltyClock &clock, int keyCode)
{
    const SettingsModel &s = settings();
    TimeLED *display = clock.display;
    TimeKeeper *engine = clock.engine;

    // The penalty's own keys act before the key runs as a command.
    if (keyCode == s.ClearKey) {
        engine->setRunning(false);
        engine->setTicks(0);
        display->setValue(-1);
    }
    if (keyCode == s.PenaltyIncrementSecKey) {
        // A blank clock counts as zero, whatever its engine ran to behind the blank display.
        const qint64 held = display->Value() == -1.0f ? 0 : engine->ticks();
        const qint64 sum = held + qint64(s.PenaltyIncrementSec) * kTicksPerSecond;
        if (sum <= kPenaltyLimitSeconds * kTicksPerSecond) {
            engine->setTicks(sum);
            engine->setRunning(false);
            display->setValue(float(engine->seconds()));
            RefreshTime();
        }
    }
    AllKeyCode(keyCode);
    const int c = KeyCodeToAsci(keyCode);
    if (keyCode == s.SepTimeKey)
        engine->setRunning(!engine->isRunning());

    const std::optional<qint64> typed = TimeKeyEntry(display, c, kPenaltyLimitSeconds);
    if (!typed)
        return;
    // Penalties are kept in whole seconds; a half goes to the even neighbour.
    const qint64 seconds = qint64(std::nearbyint(double(*typed) / kTicksPerSecond));
    engine->setRunning(false);
    display->setValue(float(seconds));
    engine->setTicks(seconds * kTicksPerSecond);
    RefreshTime();
}
