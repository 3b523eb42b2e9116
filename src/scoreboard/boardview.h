#pragma once

#include "bout.h"

#include <QLocale>
#include <QObject>
#include <QTime>

#include <functional>

class NumberLED;
class TimeLED;
struct ScoreboardUi;

// Shows a bout on a board's nine displays: the period and jam clocks with their rounding and
// layout rules, the penalty clocks counting or blank, the scores and the period number. It writes
// the displays from the bout alone, so any number of boards can show one bout.
class BoardView final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoardView)

public:
    BoardView(const Bout *bout, const ScoreboardUi &ui, QObject *parent);

    // The time of day and the locale whose time format the period display follows in
    // time-of-day mode; replaceable so that tests need not wait for a particular hour.
    void setTimeOfDaySource(std::function<QTime()> now, const QLocale &locale);

    // The six clocks as their engines stand now: the refresh cycle's work, 20 times a second.
    void showClocks();
    void show(Bout::Item item);
    // Every number and caption, e.g. once the board has built the game flow's displays.
    void showNumbers();

private:
    void showPeriodClock();
    void showCaptions();
    // The display of a number, null where this board has none.
    NumberLED *numberDisplay(Bout::Item item) const;

    const Bout *m_bout;
    // The window's widgets, the game flow's among them once they are built.
    const ScoreboardUi &m_ui;
    std::function<QTime()> m_now;
    QLocale m_timeLocale = QLocale::system();
};
