#include "boardview.h"

#include "boutreadout.h"
#include "numberled.h"
#include "scoreboarddesign.h"
#include "timeled.h"

BoardView::BoardView(const Bout *bout, const ScoreboardUi &ui, QObject *parent)
    : QObject(parent)
    , m_bout(bout)
    , m_ui(ui)
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
    case Bout::JamClock: {
        const BoutReadout::ClockValue jam = BoutReadout::jamClock(*m_bout);
        m_ui.tledJam->setDisplayFormat(jam.displayFormat);
        m_ui.tledJam->setValue(jam.value);
        break;
    }
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2: {
        // Penalty displays keep their designed layout.
        const int penalty = item - Bout::HomePenalty1;
        if (TimeLED *display = m_ui.penalties()[penalty])
            display->setValue(BoutReadout::penaltyClock(*m_bout, penalty).value);
        break;
    }
    case Bout::HomeScore:
    case Bout::VisitorScore:
    case Bout::PeriodNumber:
        // -1 is blank.
        numberDisplay(item)->setCaption(QString::number(m_bout->number(item)));
        break;
    default:
        break;
    }
}

NumberLED *BoardView::numberDisplay(Bout::Item item) const
{
    switch (item) {
    case Bout::HomeScore:
        return m_ui.nledHomeScore;
    case Bout::VisitorScore:
        return m_ui.nledVisitorScore;
    case Bout::PeriodNumber:
        return m_ui.nledPeriod;
    default:
        return nullptr;
    }
}

void BoardView::showPeriodClock()
{
    const BoutReadout::ClockValue period = BoutReadout::periodClock(*m_bout, m_now(), m_timeLocale);
    m_ui.tledPeriod->setDisplayFormat(period.displayFormat);
    m_ui.tledPeriod->setValue(period.value);
}
