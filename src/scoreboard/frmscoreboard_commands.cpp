// The keyboard commands: every key press reaches AllKeyCode once, from the window when no display
// has the focus and from the selected display otherwise.

#include "frmscoreboard.h"

#include "frmhelp.h"
#include "frmoptions.h"
#include "layoutscaling.h"
#include "numlock.h"
#include "settingsmodel.h"
#include "timekeeper.h"
#include "virtualkeys.h"

#include <QKeyEvent>

namespace {

constexpr int kF1 = 112;
constexpr int kF2 = 113;
constexpr int kNumLock = 144;

} // namespace

// A command that implies another (a jam start starts the period clock, a period stop stops the
// jam, a reset stops its clock) runs that command itself rather than through its key: a store
// edited by hand may give two commands one key, and the key would then lead back into the first.
void frmScoreboard::AllKeyCode(int keyCode)
{
    const SettingsModel &s = settings();
    // Rows in this order: when two settings hold the same key, the earlier command wins.
    if (keyCode == s.StartStopJamClockKey)
        toggleJam();
    else if (keyCode == s.ResetJamClockKey)
        resetJam();
    else if (keyCode == s.StartStopPeriodClockKey)
        togglePeriod();
    else if (keyCode == s.ResetPeriodClockKey)
        resetPeriod();
    else if (keyCode == s.ClockSwitchKey)
        m_clockTime = !m_clockTime;
    else if (keyCode == s.BuzzerKey)
        Buzzer(s.BuzzerFile);
    else if (keyCode == s.PeriodEndSoundKey)
        Buzzer(s.PeriodEndSoundFile);
    else if (keyCode == kF1)
        showHelp();
    else if (keyCode == kF2)
        showOptions();
}

void frmScoreboard::toggleJam()
{
    const SettingsModel &s = settings();
    if (m_tkJam->isRunning()) {
        if (m_suppressedPeriodSound) {
            Buzzer(s.PeriodEndSoundFile);
            m_suppressedPeriodSound = false;
        } else {
            Buzzer(s.BuzzerFile);
        }
    } else if (!m_tkPeriod->isRunning()) {
        // Starting a jam starts a stopped period clock first.
        togglePeriod();
    }
    m_tkJam->setRunning(!m_tkJam->isRunning());
    if (s.JoinJamPenalty == 1)
        setPenaltiesRunning(m_tkJam->isRunning());
}

void frmScoreboard::togglePeriod()
{
    const SettingsModel &s = settings();
    if (!m_tkPeriod->isRunning() && m_tkPeriod->ticks() <= 0 && m_tkJam->isRunning()) {
        // The period has run out and the jam plays on: the period key ends the jam, with the
        // end-of-period sound if it was held for it, and the period stays stopped at zero.
        toggleJam();
        RefreshTime();
        return;
    }
    m_tkPeriod->setRunning(!m_tkPeriod->isRunning());
    // Stopping the period clock stops a running jam, with the jam's sound.
    if (!m_tkPeriod->isRunning() && m_tkJam->isRunning())
        toggleJam();
    if (s.JoinJamPenalty != 1)
        setPenaltiesRunning(m_tkPeriod->isRunning());
    RefreshTime();
}

void frmScoreboard::resetJam()
{
    if (m_tkJam->isRunning())
        toggleJam();
    m_tkJam->setTicks(m_jamResetTicks);
    RefreshTime();
}

void frmScoreboard::resetPeriod()
{
    if (m_tkPeriod->isRunning())
        togglePeriod();
    m_tkPeriod->setTicks(m_periodResetTicks);
    resetJam();
    RefreshTime();
}

void frmScoreboard::showHelp()
{
    frmHelp::showHelp();
}

void frmScoreboard::showOptions()
{
    // Modal: the scoreboard takes no keys meanwhile, but its clocks go on counting and sounding.
    frmOptions options(this);
    options.exec();
    UpdateLabels();
    UpdateFormColors();
    RefreshTime();
    SaveLayout(this);
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
    if (keyCode == 32)
        return 32;
    if (keyCode == 13)
        return 13;
    if (keyCode == settings().ClearKey)
        return 0;
    if (keyCode == 187 || keyCode == 107)
        return '+';
    if (keyCode == 189 || keyCode == 109)
        return '-';
    if (keyCode >= 96 && keyCode <= 105)
        return keyCode - 96 + '0';
    if (keyCode >= 48 && keyCode <= 57)
        return keyCode;
    if (keyCode == 110 || keyCode == 190)
        return '.';
    return -1;
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
