#pragma once

#include "boutstate.h"
#include "gamerules.h"

#include <QObject>

#include <array>
#include <deque>
#include <optional>

class ClockSource;
class QTimer;
class TimeKeeper;

// The state of one bout and its rules, apart from any board that shows it: the period and jam
// clocks with their reset values and expiry latches, the four penalty clocks, the scores, the
// period number and whether the period display shows the time of day. A board, a journal or a
// second screen follows it through changed() and soundWanted() and reads the state back; the
// bout draws nothing and plays nothing. Times are ticks, ten-thousandths of a second.
//
// The timing engines tkPeriod, tkJam, tkHomePenalty1, tkHomePenalty2, tkVisitorPenalty1,
// tkVisitorPenalty2, tkHomePenalty3, tkVisitorPenalty3 and tkFlow are the bout's named children.
//
// With the game rules on (the game flow), the bout also keeps the phase of a sanctioned bout (jam,
// lineup, timeouts, halftime, final) with its flow clock, the jam number and each team's timeouts
// and reviews left; GameFlow holds that phase machine. Every command and typed entry from outside
// is one step that undo() takes back.
//
// The bout stops a running period, jam or counting-down flow clock at the moment it reaches zero:
// its one-shot timer tmrExpiry aims at the earliest of those moments on the monotonic clock and
// is aimed again whenever a clock starts, stops or is given a time, so that the stop and its
// sound do not wait for the board's refresh, which stays as the safety net.
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
    Q_PROPERTY(bool GameFlow READ gameFlow)
    Q_PROPERTY(Bout::Phase Phase READ phase)
    Q_PROPERTY(int JamNumber READ jamNumber)
    Q_PROPERTY(int HomeTimeouts READ homeTimeouts)
    Q_PROPERTY(int VisitorTimeouts READ visitorTimeouts)
    Q_PROPERTY(int HomeReviews READ homeReviews)
    Q_PROPERTY(int VisitorReviews READ visitorReviews)

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
        // The game flow's.
        HomePenalty3,
        VisitorPenalty3,
        FlowClock,
        JamNumber,
        HomeTimeouts,
        VisitorTimeouts,
        HomeReviews,
        VisitorReviews,
        FlowPhase,
    };
    Q_ENUM(Item)
    // Where the game flow stands. Between is before a period's first jam, always with the flow
    // off, and between jams where the flow was switched on mid-period.
    enum Phase {
        Between,
        Jam,
        Lineup,
        HomeTimeout,
        VisitorTimeout,
        OfficialTimeout,
        HomeReview,
        VisitorReview,
        Halftime,
        Final,
    };
    Q_ENUM(Phase)
    enum Sound { BuzzerSound, PeriodEndSound };
    Q_ENUM(Sound)

    // Penalty clocks are numbered 0 to 5: home 1, home 2, visitor 1, visitor 2, then the jammers'
    // seats home 3 and visitor 3, which only the game flow shows.
    static constexpr int PenaltyCount = 6;
    // The steps undo() can take back at least.
    static constexpr int UndoSteps = 100;

    explicit Bout(QObject *parent = nullptr);

    TimeKeeper *periodEngine() const { return m_engines[0]; }
    TimeKeeper *jamEngine() const { return m_engines[1]; }
    TimeKeeper *penaltyEngine(int penalty) const { return m_engines[2 + penalty]; }
    // The lineup, timeout, review or halftime clock, whichever the phase has running. It counts
    // down (lineup, team timeout, halftime; stopped at 0:00) or, when flowCountsUp(), up from
    // 0:00 (official timeout, reviews): its ticks() rise then.
    TimeKeeper *flowEngine() const { return m_engines[2 + PenaltyCount]; }
    bool flowCountsUp() const;
    // Whether any of the bout's clocks counts: period, jam, a penalty or the flow clock.
    bool isAnyClockRunning() const;
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
    int jamNumber() const { return m_state.numbers[BoutState::JamNumber]; }
    int homeTimeouts() const { return m_state.numbers[BoutState::HomeTimeouts]; }
    int visitorTimeouts() const { return m_state.numbers[BoutState::VisitorTimeouts]; }
    int homeReviews() const { return m_state.numbers[BoutState::HomeReviews]; }
    int visitorReviews() const { return m_state.numbers[BoutState::VisitorReviews]; }
    // Any number: the scores, the period and jam numbers and the counts.
    int number(Item which) const;

    // The game flow and its rules. Switching it on or off keeps the clocks and the scores; a
    // change of the number of timeouts or reviews keeps how many each team has used. Switched on
    // again, the flow goes on in the phase it was switched off in, its clock run on, unless the
    // period or jam clock moved otherwise meanwhile; else the phase is read from the clocks: a jam
    // if the jam clock runs, the halftime or "Final" if the period clock ran out, else none.
    void setGameRules(const GameRules &rules);
    const GameRules &gameRules() const { return m_rules; }
    bool gameFlow() const { return m_rules.on; }
    Phase phase() const { return Phase(m_state.phase); }
    // "" for Between and Jam, else the phase's name as the board writes it over its clock.
    static QString caption(Phase phase);

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
    // The game flow's timeouts: each ends a running jam first (with its sound, as the jam command
    // would), stops the period clock and starts its flow clock; the same command again ends it
    // and starts the lineup. A team with none left is refused (refused(), false) and nothing
    // changes. A jam that outlasted its period ends, and with it the period, and the timeout is
    // refused. With the flow off they do nothing and return false.
    Q_INVOKABLE bool teamTimeout(Team team);
    Q_INVOKABLE bool officialTimeout();
    Q_INVOKABLE bool officialReview(Team team);
    // Puts the bout back as it was before the last command or typed entry, its running clocks
    // counted on to now, sounding nothing. Nothing to undo: nothing happens, and refused() says
    // so.
    Q_INVOKABLE void undo();
    bool canUndo() const { return !m_undo.empty(); }

    // Typed entry. A typed jam or period time becomes the clock's reset value.
    Q_INVOKABLE void setJamTime(qint64 ticks);
    Q_INVOKABLE void setPeriodTime(qint64 ticks);
    Q_INVOKABLE void setPenaltyTime(int penalty, qint64 ticks);
    // Refused outside 0 to the display's limit: a number never goes blank by arithmetic.
    Q_INVOKABLE void setNumber(Bout::Item which, int value);
    // The clear key's blank (-1), the only way a number goes blank.
    Q_INVOKABLE void clearNumber(Bout::Item which);

    // What decides how the clocks run on while nobody watches: the clock options and the game
    // rules, as BoutState::resumedAt takes them.
    BoutState::Rules rules() const;

    // The whole bout as one value, for the journal: the clocks as they stand now, stamped with the
    // wall time takenAtMs and the rules it stands under.
    BoutState state(qint64 takenAtMs) const;
    // Puts a whole bout in place, running clocks counting on from the values given; sounds
    // nothing and runs no rule but the change from the rules it was kept under, if known, to
    // these. Every item is reported changed. Clears what undo() could take back.
    void setState(const BoutState &state);
    // A new bout: the state of a fresh board, with the counts of the game rules and, with the game
    // flow on, the period and jam lengths played to.
    Q_INVOKABLE void newBout();

    // Stops a period or jam clock found at or below zero and asks for its sound, once per expiry,
    // by the rule BoutState::expire, and blanks a penalty clock a second after it ran out. Run by
    // the board's refresh cycle, after every change of a clock, and by tmrExpiry at a clock's zero.
    Q_INVOKABLE void refresh();

signals:
    void changed(Bout::Item what);
    // automatic: the board's own end-of-jam or end-of-period signal, for a clock that ran out,
    // rather than the sound of a command.
    void soundWanted(Bout::Sound sound, bool automatic);
    // A command the rules refuse, in a few words for the operator.
    void refused(const QString &message);
    // tmrExpiry found a clock at zero and stopped it, between two of the board's refreshes: what
    // shows the bout only at its refresh shows it now.
    void ranOut();
    // The PC slept that long while a clock ran, and the bout has been brought on through the
    // sleep; clocksStopped: it slept longer than a bout is counted on for, and every clock was
    // stopped where it stood.
    void slept(qint64 milliseconds, bool clocksStopped);

private:
    // One command or typed entry from outside: the state before it is kept for undo() when it
    // changed anything. Commands run inside it are part of the same step.
    class Step
    {
    public:
        explicit Step(Bout *bout);
        ~Step();
        Q_DISABLE_COPY_MOVE(Step)

    private:
        Bout *const m_bout;
        const bool m_outer;
    };
    struct Snapshot
    {
        BoutState state;
        qint64 nanoseconds = 0; // on the monotonic clock the engines read
        bool withFlow = false; // taken with the game flow on
    };
    // The state as the game rules set now have it, from the old: the counts left and, with the
    // flow switched on or off, its phase.
    static BoutState underNewRules(BoutState state, const GameRules &old, const GameRules &now);
    // A halftime or "Final" as the number of periods has it now.
    static void periodsSet(BoutState &state, const GameRules &now);
    // The flow's own part of a state: its phase and clock, and whether a period is under way.
    static void takeFlow(BoutState &state, const BoutState &from);
    // The flow switched on again: the phase it was switched off in, run on to atNs, where the
    // clocks of state, taken then, agree with it; else state as it is, its phase read from them.
    BoutState withHiddenFlow(BoutState state, qint64 atNs) const;

    // Under "Final": the scores alike (a blank one counts as 0), and what a refused command says.
    bool scoreTied() const;
    QString finalText() const;

    TimeKeeper *period() const { return m_engines[0]; }
    TimeKeeper *jam() const { return m_engines[1]; }
    void setPenaltiesRunning(bool running);
    void setPenaltyBlank(int penalty, bool blank);
    void setLatches(bool periodEnd, bool jamEnd, bool held);
    void putNumber(Item which, int value);
    void endJam();
    void expire(BoutState::Clock clock);
    // refresh(): whether a period, jam or flow clock expired.
    bool expireDue();
    std::optional<BoutState::Clock> firstRunOut() const;
    // The PC slept since the last look (suspended, a laptop's lid closed), while the engines
    // stood still: the bout is brought to where an uninterrupted board would stand now, as a
    // resumed bout is, sounding nothing; what undo() brings back has slept as long. Looked at
    // before every refresh and every step, so that no clock runs out and no command acts on the
    // clocks as they stood at the sleep.
    void followSleep();
    // Aims tmrExpiry at the next moment a running clock reaches zero, or stops it when none runs
    // down. Left to the end of the step under way.
    void scheduleExpiry();
    bool callTimeout(BoutState::Phase kind);
    // The bout as undo() brings it back: as it was before the last step, run on since.
    BoutState beforeLastStep() const;
    // Whether undo() would change nothing: the last step ended where it began.
    bool isLastStepUndone() const;
    // The state as it stands, clocks included, without the moment.
    BoutState current() const;
    // Brings the bout from the state from (as read) to next, writing only what differs, and
    // reports each item that changed, or every item when all.
    void putState(const BoutState &from, const BoutState &next, bool all = false);
    BoutState withoutFlowIfOff(BoutState state) const;
    template<typename Rule>
    void apply(Rule rule);

    std::array<TimeKeeper *, 3 + PenaltyCount> m_engines {};
    QTimer *const m_expiry;
    // Everything but the clocks, which the engines hold. The latches are set when a clock's
    // expiry has been handled and cleared once it shows time left again.
    BoutState m_state;
    bool m_joinJamPenalty = true;
    bool m_delayPeriodEndSound = false;
    GameRules m_rules;
    std::deque<Snapshot> m_undo;
    // The flow as it stood when switched off, under the rules then.
    std::optional<Snapshot> m_hiddenFlow;
    GameRules m_hiddenFlowRules;
    // The clock source's sleep when last looked at, and which source that was.
    const ClockSource *m_sleepSource = nullptr;
    qint64 m_sleptNs = 0;
    int m_stepDepth = 0;
    bool m_stepChanged = false;
};
