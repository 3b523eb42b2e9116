#include "boardview.h"

#include "boutreadout.h"
#include "label.h"
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
    showNumbers();
}

void BoardView::showNumbers()
{
    for (Bout::Item number : {Bout::HomeScore, Bout::VisitorScore, Bout::PeriodNumber,
                              Bout::JamNumber, Bout::HomeTimeouts, Bout::VisitorTimeouts,
                              Bout::HomeReviews, Bout::VisitorReviews, Bout::FlowPhase})
        show(number);
}

void BoardView::setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale)
{
    m_now = std::move(now);
    m_timeLocale = locale;
}

void BoardView::showClocks()
{
    for (Bout::Item clock :
         {Bout::PeriodClock, Bout::JamClock, Bout::HomePenalty1, Bout::HomePenalty2,
          Bout::VisitorPenalty1, Bout::VisitorPenalty2, Bout::HomePenalty3, Bout::VisitorPenalty3})
        show(clock);
}

void BoardView::show(Bout::Item item)
{
    switch (item) {
    case Bout::PeriodClock:
        showPeriodClock();
        break;
    case Bout::ClockTime:
        showPeriodClock();
        showCaptions();
        break;
    case Bout::FlowClock:
        // In whichever slot shows it.
        showPeriodClock();
        [[fallthrough]];
    case Bout::JamClock: {
        const BoutReadout::ClockValue jam = BoutReadout::jamClock(*m_bout);
        m_ui.tledJam->showGroups(BoutReadout::jamGroups(*m_bout));
        m_ui.tledJam->setDisplayFormat(jam.displayFormat);
        m_ui.tledJam->setValue(jam.value);
        break;
    }
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2:
    case Bout::HomePenalty3:
    case Bout::VisitorPenalty3: {
        // Penalty displays keep their designed layout.
        const int penalty = item >= Bout::HomePenalty3 ? 4 + (item - Bout::HomePenalty3)
                                                       : item - Bout::HomePenalty1;
        if (TimeLED *display = m_ui.penalties()[penalty])
            display->setValue(BoutReadout::penaltyClock(*m_bout, penalty).value);
        break;
    }
    case Bout::HomeScore:
    case Bout::VisitorScore:
    case Bout::PeriodNumber:
    case Bout::JamNumber:
    case Bout::HomeTimeouts:
    case Bout::VisitorTimeouts:
    case Bout::HomeReviews:
    case Bout::VisitorReviews:
        // -1 is blank.
        if (NumberLED *display = numberDisplay(item))
            display->setCaption(QString::number(m_bout->number(item)));
        break;
    case Bout::FlowPhase:
        showCaptions();
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
    case Bout::JamNumber:
        return m_ui.nledJamNumber;
    case Bout::HomeTimeouts:
        return m_ui.nledHomeTimeouts;
    case Bout::VisitorTimeouts:
        return m_ui.nledVisitorTimeouts;
    case Bout::HomeReviews:
        return m_ui.nledHomeReviews;
    case Bout::VisitorReviews:
        return m_ui.nledVisitorReviews;
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

void BoardView::showCaptions()
{
    if (!m_ui.lblJamCaption)
        return;
    // The phase's name over the slot that counts its clock: the period's for the halftime and
    // the final, the jam's for the lineup and the timeouts.
    const QString caption = BoutReadout::caption(*m_bout);
    const bool period = BoutReadout::periodShowsFlow(*m_bout) || m_bout->phase() == Bout::Final;
    m_ui.lblPeriodCaption->setCaption(period ? caption : QString());
    m_ui.lblJamCaption->setCaption(period ? QString() : caption);
}
