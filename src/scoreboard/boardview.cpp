#include "boardview.h"

#include "clockreadout.h"
#include "numberled.h"
#include "scoreboarddesign.h"
#include "timekeeper.h"
#include "timeled.h"

namespace {

// Below a minute the period display switches to seconds and tenths.
constexpr qint64 kTenthsThresholdTicks = 599000; // 59.9 s

const QString kMinutesSeconds = QStringLiteral("60,1");
const QString kSecondsTenths = QStringLiteral("1,.1");

} // namespace

BoardView::BoardView(const Bout *bout, const ScoreboardUi &ui, QObject *parent)
    : QObject(parent)
    , m_bout(bout)
    , m_period(ui.tledPeriod)
    , m_jam(ui.tledJam)
    , m_penalties(ui.penalties())
    , m_numbers {ui.nledHomeScore, ui.nledVisitorScore, ui.nledPeriod}
    , m_now([] { return QTime::currentTime(); })
{
    connect(bout, &Bout::changed, this, &BoardView::show);
    for (Bout::Item number : {Bout::HomeScore, Bout::VisitorScore, Bout::PeriodNumber})
        show(number);
}

void BoardView::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_now = std::move(now);
    m_timeLocale = locale;
}

void BoardView::showClocks()
{
    for (Bout::Item clock : {Bout::PeriodClock, Bout::JamClock, Bout::HomePenalty1,
                             Bout::HomePenalty2, Bout::VisitorPenalty1, Bout::VisitorPenalty2})
        show(clock);
}

void BoardView::show(Bout::Item item)
{
    switch (item) {
    case Bout::PeriodClock:
    case Bout::ClockTime:
        showPeriodClock();
        break;
    case Bout::JamClock:
        m_jam->setDisplayFormat(kMinutesSeconds);
        m_jam->setValue(ClockReadout::wholeSeconds(m_bout->jamEngine()->ticks()));
        break;
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2: {
        // Penalty displays keep their designed layout; -1 shows nothing.
        const int penalty = item - Bout::HomePenalty1;
        m_penalties[penalty]->setValue(
                m_bout->isPenaltyBlank(penalty)
                        ? -1.0f
                        : ClockReadout::wholeSeconds(m_bout->penaltyEngine(penalty)->ticks()));
        break;
    }
    case Bout::HomeScore:
    case Bout::VisitorScore:
    case Bout::PeriodNumber:
        // -1 is blank.
        m_numbers[item - Bout::HomeScore]->setCaption(QString::number(m_bout->number(item)));
        break;
    default:
        break;
    }
}

void BoardView::showPeriodClock()
{
    const qint64 period = m_bout->periodEngine()->ticks();
    if (m_bout->clockTime()) {
        const QTime now = m_now();
        const QString text = m_timeLocale.toString(now, QLocale::ShortFormat);
        m_period->setDisplayFormat(kMinutesSeconds);
        m_period->setValue(float(ClockReadout::minutesOfDay(text, now)));
    } else if (period > kTenthsThresholdTicks) {
        m_period->setDisplayFormat(kMinutesSeconds);
        m_period->setValue(ClockReadout::wholeSeconds(period));
    } else {
        m_period->setDisplayFormat(kSecondsTenths);
        m_period->setValue(float(double(period) / BoutConstants::TicksPerSecond));
    }
}
