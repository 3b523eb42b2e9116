#pragma once

#include "boutstate.h"

#include <QObject>

#include <array>

class TimeKeeper;

// The state of one bout and its rules, apart from any board that shows it: the period and jam
// clocks with their reset values and expiry latches, the four penalty clocks, the scores, the
// period number and whether the period display shows the time of day. A board, a journal or a
// second screen follows it through changed() and soundWanted() and reads the state back; the
// bout draws nothing and plays nothing. Times are ticks, ten-thousandths of a second.
//
// The timing engines tkPeriod, tkJam, tkHomePenalty1, tkHomePenalty2, tkVisitorPenalty1 and
// tkVisitorPenalty2 are the bout's named children.
class Bout final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Bout)
    Q_PROPERTY(bool ClockTime READ clockTime WRITE setClockTime)
    Q_PROPERTY(bool SuppressedPeriodSound READ suppressedPeriodSound WRITE setSuppressedPeriodSound)
    Q_PROPERTY(bool JamEndSignalled READ jamEndSignalled)
    Q_PROPERTY(bool PeriodEndSignalled READ periodEndSignalled)
    Q_PROPERTY(double JamResetValue READ jamResetValue)
    Q_PROPERTY(double PeriodResetValue READ periodResetValue)
    Q_PROPERTY(int HomeScore READ homeScore)
    Q_PROPERTY(int VisitorScore READ visitorScore)
    Q_PROPERTY(int PeriodNumber READ periodNumber)
    Q_PROPERTY(bool JoinJamPenalty READ joinJamPenalty WRITE setJoinJamPenalty)
    Q_PROPERTY(bool DelayPeriodEndSound READ delayPeriodEndSound WRITE setDelayPeriodEndSound)

public:
    // What changed: a clock (its time, running state or blankness), a number, or a rule's state.
    enum Item {
        PeriodClock,
        JamClock,
        HomePenalty1,
        HomePenalty2,
        VisitorPenalty1,
        VisitorPenalty2,
        HomeScore,
        VisitorScore,
        PeriodNumber,
        ClockTime,
        ResetValues,
        Latches, // the expiry latches and the held end-of-period sound
    };
    Q_ENUM(Item)
    enum Sound { BuzzerSound, PeriodEndSound };
    Q_ENUM(Sound)

    // Penalty clocks are numbered 0 to 3: home 1, home 2, visitor 1, visitor 2.
    static constexpr int PenaltyCount = 4;

    explicit Bout(QObject *parent = nullptr);

    TimeKeeper *periodEngine() const { return m_engines[0]; }
    TimeKeeper *jamEngine() const { return m_engines[1]; }
    TimeKeeper *penaltyEngine(int penalty) const { return m_engines[2 + penalty]; }
    // A blank penalty clock shows nothing, whatever its engine holds.
    Q_INVOKABLE bool isPenaltyBlank(int penalty) const { return m_state.penaltyBlank[penalty]; }

    bool clockTime() const { return m_state.clockTime; }
    void setClockTime(bool on);
    bool suppressedPeriodSound() const { return m_state.heldPeriodEndSound; }
    void setSuppressedPeriodSound(bool held);
    bool jamEndSignalled() const { return m_state.jamEndSignalled; }
    bool periodEndSignalled() const { return m_state.periodEndSignalled; }
    qint64 jamResetTicks() const { return m_state.jamResetTicks; }
    qint64 periodResetTicks() const { return m_state.periodResetTicks; }
    double jamResetValue() const
    {
        return double(m_state.jamResetTicks) / BoutConstants::TicksPerSecond;
    }
    double periodResetValue() const
    {
        return double(m_state.periodResetTicks) / BoutConstants::TicksPerSecond;
    }
    // -1 is blank.
    int homeScore() const { return m_state.numbers[BoutState::HomeScore]; }
    int visitorScore() const { return m_state.numbers[BoutState::VisitorScore]; }
    int periodNumber() const { return m_state.numbers[BoutState::PeriodNumber]; }
    int number(Item which) const;

    // The penalty clocks follow the jam clock when on, the period clock when off.
    bool joinJamPenalty() const { return m_joinJamPenalty; }
    void setJoinJamPenalty(bool on) { m_joinJamPenalty = on; }
    // A period that runs out during a jam lets the jam play out and holds its sound for the
    // jam's end.
    bool delayPeriodEndSound() const { return m_delayPeriodEndSound; }
    void setDelayPeriodEndSound(bool on) { m_delayPeriodEndSound = on; }

    // The commands.
    Q_INVOKABLE void startStopJam();
    Q_INVOKABLE void resetJam();
    Q_INVOKABLE void startStopPeriod();
    Q_INVOKABLE void resetPeriod();
    Q_INVOKABLE void switchClock();
    Q_INVOKABLE void clearPenalty(int penalty);
    Q_INVOKABLE void addPenaltyTime(int penalty, int seconds);
    Q_INVOKABLE void startStopPenalty(int penalty);

    // Typed entry. A typed jam or period time becomes the clock's reset value.
    Q_INVOKABLE void setJamTime(qint64 ticks);
    Q_INVOKABLE void setPeriodTime(qint64 ticks);
    Q_INVOKABLE void setPenaltyTime(int penalty, qint64 ticks);
    // Refused outside 0 to the display's limit: a number never goes blank by arithmetic.
    Q_INVOKABLE void setNumber(Bout::Item which, int value);
    // The clear key's blank (-1), the only way a number goes blank.
    Q_INVOKABLE void clearNumber(Bout::Item which);

    // The whole bout as one value, for the journal: the clocks as they stand now, stamped with the
    // wall time takenAtMs.
    BoutState state(qint64 takenAtMs) const;
    // Puts a whole bout in place, running clocks counting on from the values given; sounds
    // nothing and runs no rule. Every item is reported changed.
    void setState(const BoutState &state);

    // Stops a period or jam clock found at or below zero and asks for its sound, once per expiry,
    // by the rule BoutState::expire, and blanks a penalty clock a second after it ran out. Run by
    // the board's refresh cycle and after every change of a clock.
    Q_INVOKABLE void refresh();

signals:
    void changed(Bout::Item what);
    // automatic: the board's own end-of-jam or end-of-period signal, for a clock that ran out,
    // rather than the sound of a command.
    void soundWanted(Bout::Sound sound, bool automatic);

private:
    TimeKeeper *period() const { return m_engines[0]; }
    TimeKeeper *jam() const { return m_engines[1]; }
    void setPenaltiesRunning(bool running);
    void setPenaltyBlank(int penalty, bool blank);
    void setLatches(bool periodEnd, bool jamEnd, bool held);
    void putNumber(Item which, int value);
    void endJam();
    void expire(BoutState::Clock clock);

    std::array<TimeKeeper *, 2 + PenaltyCount> m_engines {};
    // Everything but the clocks, which the engines hold. The latches are set when a clock's
    // expiry has been handled and cleared once it shows time left again.
    BoutState m_state;
    bool m_joinJamPenalty = true;
    bool m_delayPeriodEndSound = false;
};
