// The refresh cycle: every 50 ms, and after every command that changes a clock, the engines are
// read, the displays written, and a period or jam clock that has run out is stopped and sounded.

#include "frmscoreboard.h"

#include "clockreadout.h"
#include "settingsmodel.h"
#include "timekeeper.h"
#include "timeled.h"

namespace {

// Below a minute the period display switches to seconds and tenths.
constexpr qint64 kTenthsThresholdTicks = 599000; // 59.9 s

const QString kMinutesSeconds = QStringLiteral("60,1");
const QString kSecondsTenths = QStringLiteral("1,.1");

} // namespace

void frmScoreboard::RefreshTime()
{
    const SettingsModel &s = settings();

    const qint64 period = m_tkPeriod->ticks();
    if (m_clockTime) {
        const QTime now = m_now();
        const QString text = m_timeLocale.toString(now, QLocale::ShortFormat);
        m_tledPeriod->setDisplayFormat(kMinutesSeconds);
        m_tledPeriod->setValue(float(ClockReadout::minutesOfDay(text, now)));
    } else if (period > kTenthsThresholdTicks) {
        m_tledPeriod->setDisplayFormat(kMinutesSeconds);
        m_tledPeriod->setValue(ClockReadout::wholeSeconds(period));
    } else {
        m_tledPeriod->setDisplayFormat(kSecondsTenths);
        m_tledPeriod->setValue(float(double(period) / TimeKeeper::TicksPerSecond));
    }

    const qint64 jam = m_tkJam->ticks();
    m_tledJam->setDisplayFormat(kMinutesSeconds);
    m_tledJam->setValue(ClockReadout::wholeSeconds(jam));

    if (period > 0) {
        m_periodEndSignalled = false;
        m_suppressedPeriodSound = false;
    } else if (m_tkPeriod->isRunning()) {
        if (s.SuppressPeriodSound == 1 && m_tkJam->isRunning()) {
            // The period is over but the jam under way is played out: stop the period (and the
            // penalty clocks that follow it) only, and keep the end-of-period sound for the end
            // of the jam.
            m_tkPeriod->setRunning(false);
            if (s.JoinJamPenalty != 1)
                setPenaltiesRunning(false);
            if (!m_periodEndSignalled) {
                m_periodEndSignalled = true;
                m_suppressedPeriodSound = true;
            }
        } else {
            // Stopped exactly as the operator's period key would; that also stops a running
            // jam, with its own sound, before the end of the period is sounded.
            togglePeriod();
            if (!m_periodEndSignalled) {
                m_periodEndSignalled = true;
                Buzzer(s.PeriodEndSoundFile);
            }
        }
    }

    if (jam > 0) {
        m_jamEndSignalled = false;
    } else if (m_tkJam->isRunning()) {
        m_tkJam->setRunning(false);
        if (s.JoinJamPenalty == 1)
            setPenaltiesRunning(false);
        if (!m_jamEndSignalled) {
            m_jamEndSignalled = true;
            if (m_suppressedPeriodSound) {
                m_suppressedPeriodSound = false;
                Buzzer(s.PeriodEndSoundFile);
            } else {
                Buzzer(s.BuzzerFile);
            }
        }
    }

    // A blank penalty display stays blank whatever its engine holds; an expired one that runs on
    // reaches -1 about a second after zero and so blanks itself.
    for (const PenaltyClock &penalty : m_penalties) {
        if (penalty.display->Value() != -1.0f)
            penalty.display->setValue(ClockReadout::wholeSeconds(penalty.engine->ticks()));
    }
}

void frmScoreboard::setPenaltiesRunning(bool running)
{
    for (const PenaltyClock &penalty : m_penalties)
        penalty.engine->setRunning(running);
}
