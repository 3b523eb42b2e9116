#include "bout.h"
#include "boutreadout.h"
#include "clocksource.h"
#include "timekeeper.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using Sounds = QList<Bout::Sound>;

// The game flow on the bout model, with time injected: a whole game through its phases, the
// refusals, and undo in both modes.
class TestGameFlow : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<Bout> m_bout;
    Sounds m_sounds;

    Bout &bout() { return *m_bout; }
    static qint64 ticks(double seconds) { return qint64(seconds * BoutConstants::TicksPerSecond); }
    static GameRules flowRules()
    {
        GameRules rules;
        rules.on = true;
        return rules;
    }
    // Lets time pass as the board's refresh cycle sees it, a tick every 50 ms, for every bout.
    void advance(qint64 milliseconds, std::initializer_list<Bout *> others = {})
    {
        for (qint64 done = 0; done < milliseconds; done += 50) {
            m_clock.advanceMilliseconds(std::min<qint64>(50, milliseconds - done));
            bout().refresh();
            for (Bout *other : others)
                other->refresh();
        }
    }
    Sounds takeSounds() { return std::exchange(m_sounds, {}); }
    // What the jam display and the period display show, in seconds, and the caption.
    float jamShown() { return BoutReadout::jamClock(bout()).value; }
    float periodShown()
    {
        return BoutReadout::periodClock(bout(), QTime(12, 0), QLocale::c()).value;
    }
    QString caption() { return BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).caption; }
    bool anyRunning()
    {
        const auto engines = bout().findChildren<TimeKeeper *>();
        return std::any_of(engines.begin(), engines.end(),
                           [](const TimeKeeper *engine) { return engine->isRunning(); });
    }

private slots:
    void initTestCase() { ClockSource::setCurrent(&m_clock); }
    void cleanupTestCase() { ClockSource::setCurrent(nullptr); }

    void init()
    {
        m_sounds.clear();
        m_bout = std::make_unique<Bout>();
        connect(m_bout.get(), &Bout::soundWanted, this,
                [this](Bout::Sound sound, bool) { m_sounds.append(sound); });
        bout().setGameRules(flowRules());
    }

    void wholeGame()
    {
        QSignalSpy refused(&bout(), &Bout::refused);
        TimeKeeper *flow = bout().flowEngine();
        QCOMPARE(bout().findChild<TimeKeeper *>("tkFlow"), flow);
        QCOMPARE(bout().phase(), Bout::Between);
        QCOMPARE(bout().property("Phase").value<Bout::Phase>(), Bout::Between);
        QCOMPARE(bout().jamNumber(), -1);
        QCOMPARE(caption(), "");

        // J starts the first jam of the first period.
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().jamNumber(), 1);
        QCOMPARE(bout().periodNumber(), 1);
        QVERIFY(bout().periodEngine()->isRunning() && bout().jamEngine()->isRunning());

        // J ends it: the buzzer, then the lineup counts down in the jam's display and stops at
        // 0:00 while the period runs on.
        advance(10000);
        bout().startStopJam();
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        QCOMPARE(bout().phase(), Bout::Lineup);
        QCOMPARE(caption(), "Lineup");
        QVERIFY(flow->isRunning() && !bout().flowCountsUp());
        QCOMPARE(jamShown(), 30.0f);
        advance(29530);
        QCOMPARE(jamShown(), 1.0f);
        advance(2000);
        QVERIFY(!flow->isRunning());
        QCOMPARE(flow->ticks(), 0);
        QCOMPARE(jamShown(), 0.0f);
        QVERIFY(bout().periodEngine()->isRunning());
        QCOMPARE(bout().phase(), Bout::Lineup);

        // Every other way a jam ends leads to the lineup too, and every jam counts.
        const std::pair<const char *, std::function<void()>> endings[] = {
                {"R", [this] { bout().resetJam(); }},
                {"S", [this] { bout().startStopPeriod(); }},
                {"T", [this] { bout().resetPeriod(); }},
                {"jam clock", [this] { advance(115000); }},
        };
        int jam = 1;
        for (const auto &[name, end] : endings) {
            if (!bout().periodEngine()->isRunning())
                bout().startStopPeriod();
            bout().startStopJam();
            QCOMPARE(bout().jamNumber(), ++jam);
            // Each jam starts from the jam's reset value.
            QCOMPARE(bout().jamEngine()->ticks(), ticks(120));
            advance(5000);
            end();
            QVERIFY2(bout().phase() == Bout::Lineup, name);
            QVERIFY2(takeSounds() == Sounds {Bout::BuzzerSound}, name);
            QVERIFY2(flow->isRunning() && flow->ticks() == ticks(30), name);
        }

        // A team timeout ends the running jam with the buzzer, stops the period clock and counts
        // down from a minute; it stops at 0:00 and stays until the same key ends it.
        bout().startStopJam();
        advance(3000);
        QList<Bout::Item> items;
        auto spy = connect(&bout(), &Bout::changed, this,
                           [&items](Bout::Item item) { items.append(item); });
        QVERIFY(bout().teamTimeout(Team::Home));
        disconnect(spy);
        // The boards and the journal hear of all that changed.
        for (Bout::Item item : {Bout::JamClock, Bout::PeriodClock, Bout::FlowClock,
                                Bout::HomeTimeouts, Bout::FlowPhase})
            QVERIFY(items.contains(item));
        QVERIFY(!items.contains(Bout::VisitorTimeouts) && !items.contains(Bout::JamNumber));
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        QCOMPARE(bout().phase(), Bout::HomeTimeout);
        QCOMPARE(caption(), "Home Timeout");
        QCOMPARE(bout().homeTimeouts(), 2);
        QCOMPARE(bout().visitorTimeouts(), 3);
        const BoutReadout::Texts counts = BoutReadout::texts(bout(), QTime(12, 0), QLocale::c());
        QCOMPARE(counts.homeTimeouts + counts.visitorTimeouts + counts.homeReviews
                         + counts.visitorReviews + counts.jamNumber,
                 "23116");
        QVERIFY(!bout().periodEngine()->isRunning() && !bout().jamEngine()->isRunning());
        const qint64 periodAtTimeout = bout().periodEngine()->ticks();
        QCOMPARE(jamShown(), 60.0f);
        advance(61000);
        QCOMPARE(jamShown(), 0.0f);
        QVERIFY(!flow->isRunning());
        QCOMPARE(bout().phase(), Bout::HomeTimeout);
        QVERIFY(bout().teamTimeout(Team::Home));
        QCOMPARE(bout().phase(), Bout::Lineup);
        QCOMPARE(bout().homeTimeouts(), 2);
        // The period clock waits for the next jam.
        advance(1000);
        QCOMPARE(bout().periodEngine()->ticks(), periodAtTimeout);
        QVERIFY(takeSounds().isEmpty());

        // A timeout from the lineup sounds nothing; J during it starts the next jam at once.
        QVERIFY(bout().teamTimeout(Team::Visitor));
        QVERIFY(takeSounds().isEmpty());
        QCOMPARE(caption(), "Visitor Timeout");
        QCOMPARE(bout().visitorTimeouts(), 2);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QVERIFY(!flow->isRunning());
        QVERIFY(bout().periodEngine()->isRunning());
        QCOMPARE(bout().jamNumber(), 7);

        // An official timeout and a review count up from 0:00.
        QVERIFY(bout().officialTimeout());
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        QCOMPARE(caption(), "Official Timeout");
        QVERIFY(bout().flowCountsUp());
        bout().refresh();
        QVERIFY(flow->isRunning());
        QCOMPARE(jamShown(), 0.0f);
        advance(75500);
        QCOMPARE(jamShown(), 75.0f);
        // One that runs past the jam display's 9:59 (an injury) counts on, with a second minute
        // digit.
        const auto jamText
                = [this] { return BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).jam; };
        QCOMPARE(jamText(), "1:15");
        QCOMPARE(BoutReadout::jamGroups(bout()).first, 1);
        advance(524000);
        QCOMPARE(jamText(), "9:59");
        advance(1000);
        QCOMPARE(jamText(), "10:00");
        advance(20000);
        QCOMPARE(jamText(), "10:20");
        QCOMPARE(BoutReadout::jamGroups(bout()).first, 2);
        QVERIFY(bout().officialTimeout());
        QCOMPARE(BoutReadout::jamGroups(bout()).first, 1);
        QCOMPARE(bout().phase(), Bout::Lineup);
        QVERIFY(!bout().flowCountsUp());

        QVERIFY(bout().officialReview(Team::Home));
        QCOMPARE(caption(), "Home Review");
        QCOMPARE(bout().homeReviews(), 0);
        advance(2000);
        QCOMPARE(jamShown(), 2.0f);
        // An official timeout may follow the review at once.
        QVERIFY(bout().officialTimeout());
        QCOMPARE(bout().phase(), Bout::OfficialTimeout);
        QCOMPARE(bout().homeReviews(), 0);
        QVERIFY(bout().officialTimeout());

        // A second review in the period is refused and changes nothing, until the referee's
        // kept review is typed back.
        BoutState before = bout().state(0);
        QVERIFY(!bout().officialReview(Team::Home));
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.takeFirst().at(0).toString(), "No home reviews left.");
        QCOMPARE(bout().state(0), before);
        bout().setNumber(Bout::HomeReviews, 1);
        QVERIFY(bout().officialReview(Team::Home));
        QVERIFY(bout().officialReview(Team::Home));
        QCOMPARE(bout().homeReviews(), 0);

        // The fourth home timeout of the game is refused.
        QVERIFY(bout().teamTimeout(Team::Home));
        QVERIFY(bout().teamTimeout(Team::Visitor));
        QCOMPARE(bout().homeTimeouts(), 1);
        QVERIFY(bout().teamTimeout(Team::Home));
        QVERIFY(bout().teamTimeout(Team::Home));
        QCOMPARE(bout().homeTimeouts(), 0);
        before = bout().state(0);
        QVERIFY(!bout().teamTimeout(Team::Home));
        QCOMPARE(refused.takeFirst().at(0).toString(), "No home timeouts left.");
        QCOMPARE(bout().state(0), before);
        QVERIFY(refused.isEmpty());

        // The period runs out during a jam: the jam plays out and its end sounds the end of the
        // period, once, and the halftime follows. The period clock put right in its course keeps
        // the period's length for the next.
        const qint64 length = bout().periodResetTicks();
        bout().setPeriodTime(ticks(20));
        QCOMPARE(bout().periodResetTicks(), length);
        bout().addPenaltyTime(4, 30);
        bout().startStopJam();
        QVERIFY(bout().penaltyEngine(4)->isRunning());
        advance(25000);
        QVERIFY(takeSounds().isEmpty());
        QCOMPARE(bout().phase(), Bout::Jam);
        QVERIFY(bout().jamEngine()->isRunning());
        QCOMPARE(BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).penalties[4], "0:05");
        bout().startStopJam();
        QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
        QCOMPARE(bout().phase(), Bout::Halftime);
        QCOMPARE(caption(), "Halftime");
        // Not under the time of day, which would read as the halftime left.
        bout().switchClock();
        QCOMPARE(caption(), "");
        bout().switchClock();
        QCOMPARE(caption(), "Halftime");
        QVERIFY(!bout().penaltyEngine(4)->isRunning());
        QCOMPARE(periodShown(), 900.0f);
        // S in the halftime, by reflex, neither starts it again nor starts a period clock behind
        // it: it says how the next period starts.
        advance(5000);
        bout().startStopPeriod();
        QCOMPARE(refused.takeFirst().at(0).toString(),
                 "It is halftime: the next period starts with its first jam.");
        QVERIFY(!bout().periodEngine()->isRunning());
        advance(894000);
        QCOMPARE(periodShown(), 1.0f);
        QVERIFY(takeSounds().isEmpty());

        // The halftime runs out: the second period stands ready at its reset value, the jam
        // number blank and each team's reviews back; the timeouts used stay used.
        advance(1000);
        QCOMPARE(bout().phase(), Bout::Between);
        QCOMPARE(bout().periodNumber(), 2);
        QCOMPARE(bout().jamNumber(), -1);
        QCOMPARE(bout().periodEngine()->ticks(), length);
        QVERIFY(!anyRunning());
        QCOMPARE(bout().homeReviews(), 1);
        QCOMPARE(bout().visitorReviews(), 1);
        QCOMPARE(bout().homeTimeouts(), 0);
        QCOMPARE(bout().visitorTimeouts(), 1);
        QCOMPARE(BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).jamNumber, "");

        // The last period runs out between jams: the end-of-period sound then, and "Final" with
        // nothing running. A time typed before its first jam is its length.
        bout().setPeriodTime(ticks(20));
        QCOMPARE(bout().periodResetTicks(), ticks(20));
        bout().startStopJam();
        QCOMPARE(bout().jamNumber(), 1);
        advance(5000);
        bout().startStopJam();
        takeSounds();
        advance(16000);
        QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
        QCOMPARE(bout().phase(), Bout::Final);
        QCOMPARE(caption(), "Final");
        QVERIFY(!anyRunning());
        // The score tied, the game is not over, and the refusals say what follows.
        QVERIFY(!bout().teamTimeout(Team::Visitor));
        QCOMPARE(refused.takeFirst().at(0).toString(),
                 "The score is tied: the next jam is an overtime jam.");
        // S leaves the period clock at zero and says why; it leaves nothing to undo.
        const BoutState final = bout().state(0);
        bout().startStopPeriod();
        QCOMPARE(bout().state(0), final);
        QCOMPARE(refused.takeFirst().at(0).toString(),
                 "The score is tied: the next jam is an overtime jam.");
        // Nor does it start a period clock given time again under "Final".
        bout().resetPeriod();
        bout().startStopPeriod();
        QCOMPARE(refused.takeFirst().at(0).toString(),
                 "The score is tied: the next jam is an overtime jam.");
        QVERIFY(!anyRunning());
        bout().undo();
        QCOMPARE(bout().state(0), final);

        // The score tied, J plays an overtime jam: the next jam number, the period clock at zero
        // though T gave it time under "Final", and its end final again, with the buzzer.
        bout().resetPeriod();
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().jamNumber(), 2);
        QCOMPARE(bout().periodNumber(), 2);
        QVERIFY(bout().jamEngine()->isRunning());
        QVERIFY(!bout().periodEngine()->isRunning());
        QCOMPARE(bout().periodEngine()->ticks(), 0);
        // S in it ends the jam, as in any jam played on past its period's end.
        bout().startStopPeriod();
        QCOMPARE(bout().phase(), Bout::Final);
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        bout().undo();
        QCOMPARE(bout().phase(), Bout::Jam);
        advance(30000);
        QCOMPARE(bout().periodEngine()->ticks(), 0);
        bout().setNumber(Bout::VisitorScore, 4);
        bout().startStopJam();
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        QCOMPARE(bout().phase(), Bout::Final);
        QVERIFY(!anyRunning());
        // No longer tied, J is refused with a notice and starts nothing; so are S and a
        // timeout.
        bout().startStopJam();
        QCOMPARE(refused.takeFirst().at(0).toString(), "The game is over.");
        bout().startStopPeriod();
        QVERIFY(!bout().officialTimeout());
        QCOMPARE(refused.takeAt(0).at(0).toString(), "The game is over.");
        QCOMPARE(refused.takeFirst().at(0).toString(), "The game is over.");
        QVERIFY(!anyRunning());
        advance(5000);
        QVERIFY(takeSounds().isEmpty());
        QCOMPARE(bout().phase(), Bout::Final);
        // The refusal left nothing to undo: the next undo takes back the overtime jam's end.
        bout().undo();
        QCOMPARE(bout().phase(), Bout::Jam);
        QVERIFY(bout().jamEngine()->isRunning());
        QCOMPARE(bout().visitorScore(), 4);
    }

    // J during the halftime starts the next period at once, with its first jam.
    void halftimeCutShort()
    {
        // A timeout called as a jam outlasts its period is refused, and the jam plays out; the
        // refusal is no step to undo.
        QSignalSpy refused(&bout(), &Bout::refused);
        bout().setPeriodTime(ticks(10));
        bout().setNumber(Bout::JamNumber, 99);
        bout().startStopJam();
        QCOMPARE(bout().jamNumber(), 99);
        advance(12000);
        const std::function<bool()> calls[]
                = {[this] { return bout().teamTimeout(Team::Home); },
                   [this] { return bout().officialTimeout(); },
                   [this] { return bout().officialReview(Team::Visitor); }};
        for (const auto &call : calls) {
            QVERIFY(!call());
            QCOMPARE(refused.takeFirst().at(0).toString(),
                     "No timeouts: this jam ends the period.");
        }
        QCOMPARE(bout().phase(), Bout::Jam);
        QVERIFY(bout().jamEngine()->isRunning());
        QCOMPARE(bout().jamEngine()->ticks(), ticks(108));
        QVERIFY(takeSounds().isEmpty());
        // Whichever key ends that jam ends the period; T puts the period clock back for the next
        // period all the same.
        const std::pair<const char *, std::function<void()>> endings[] = {
                {"J", [this] { bout().startStopJam(); }},
                {"R", [this] { bout().resetJam(); }},
                {"S", [this] { bout().startStopPeriod(); }},
                {"T", [this] { bout().resetPeriod(); }},
        };
        for (const auto &[name, end] : endings) {
            end();
            QVERIFY2(takeSounds() == Sounds {Bout::PeriodEndSound}, name);
            QVERIFY2(bout().phase() == Bout::Halftime, name);
            QVERIFY2(bout().periodNumber() == 1, name);
            bout().undo();
            QCOMPARE(bout().phase(), Bout::Jam);
            QVERIFY(bout().jamEngine()->isRunning());
        }
        bout().resetPeriod();
        QCOMPARE(bout().periodEngine()->ticks(), ticks(10));
        takeSounds();
        QCOMPARE(bout().homeTimeouts(), 3);
        QCOMPARE(bout().visitorReviews(), 1);
        QVERIFY(!bout().officialTimeout());
        QCOMPARE(refused.takeFirst().at(0).toString(), "No timeouts during halftime.");
        QVERIFY(!bout().officialReview(Team::Visitor));
        QCOMPARE(refused.takeFirst().at(0).toString(), "No reviews during halftime.");
        bout().setJamTime(ticks(90));
        bout().newBout();
        QCOMPARE(bout().phase(), Bout::Between);
        // The lengths typed before a period are the game's: the next bout is played to them.
        QCOMPARE(bout().periodEngine()->ticks(), ticks(10));
        QCOMPARE(bout().jamEngine()->ticks(), ticks(90));
        QCOMPARE(bout().jamResetTicks(), ticks(90));
        bout().setJamTime(ticks(120));

        bout().officialReview(Team::Visitor);
        bout().officialReview(Team::Visitor);
        bout().startStopPeriod();
        advance(11000);
        QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
        QCOMPARE(bout().phase(), Bout::Halftime);
        advance(60000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().periodNumber(), 2);
        QCOMPARE(bout().jamNumber(), 1);
        QCOMPARE(bout().visitorReviews(), 1);
        QCOMPARE(bout().periodEngine()->ticks(), ticks(10));
        QVERIFY(bout().periodEngine()->isRunning() && !bout().flowEngine()->isRunning());
        QVERIFY(takeSounds().isEmpty());

        // Without the game flow every time typed is the length from then on, a correction too,
        // so a new bout starts at the board's own.
        GameRules off = flowRules();
        off.on = false;
        bout().setGameRules(off);
        bout().newBout();
        QCOMPARE(bout().periodEngine()->ticks(), BoutConstants::PeriodResetTicks);
        QCOMPARE(bout().jamEngine()->ticks(), BoutConstants::JamResetTicks);
    }

    // A refresh that comes seconds late (the program held up) finds the bout as it would have
    // run: the jam ended at its zero, the lineup and the halftime started there, once each.
    void lateRefresh()
    {
        bout().setJoinJamPenalty(true);
        bout().setPeriodTime(ticks(20));
        bout().setPenaltyTime(0, ticks(30));
        bout().startStopJam();
        bout().setJamTime(ticks(3));
        bout().startStopPenalty(0);
        m_clock.advanceMilliseconds(11000);
        bout().refresh();
        QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
        QCOMPARE(bout().phase(), Bout::Lineup);
        QCOMPARE(bout().jamEngine()->ticks(), 0);
        QCOMPARE(bout().flowEngine()->ticks(), ticks(22));
        QCOMPARE(bout().periodEngine()->ticks(), ticks(9));
        // The penalty stopped with the jam, at what it showed then.
        QVERIFY(!bout().penaltyEngine(0)->isRunning());
        QCOMPARE(bout().penaltyEngine(0)->ticks(), ticks(27));

        // The period ran out in the lineup 16 s ago: the halftime has run since.
        m_clock.advanceMilliseconds(25000);
        bout().refresh();
        QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
        QCOMPARE(bout().phase(), Bout::Halftime);
        QCOMPARE(bout().flowEngine()->ticks(), ticks(900 - 16));
        QCOMPARE(bout().periodEngine()->ticks(), 0);
        advance(1000);
        QVERIFY(takeSounds().isEmpty());
    }

    // A jam or period clock put right in its course keeps the lengths set before it; a time typed
    // between jams, or without the game flow, is the length from then on.
    void clocksPutRightInTheirCourse()
    {
        // A timeout before the first jam is not yet the period's course.
        QVERIFY(bout().officialTimeout());
        QVERIFY(bout().officialTimeout());
        bout().setPeriodTime(ticks(700));
        QCOMPARE(bout().periodResetTicks(), ticks(700));
        bout().startStopJam();
        advance(3000);
        bout().setJamTime(ticks(110));
        bout().setPeriodTime(ticks(500));
        QVERIFY(bout().jamEngine()->isRunning());
        QCOMPARE(bout().jamEngine()->ticks(), ticks(110));
        QCOMPARE(bout().periodEngine()->ticks(), ticks(500));
        QCOMPARE(bout().jamResetTicks(), ticks(120));
        QCOMPARE(bout().periodResetTicks(), ticks(700));
        bout().startStopJam();
        bout().setPeriodTime(ticks(400));
        QCOMPARE(bout().periodResetTicks(), ticks(700));
        // So too with the jam number blanked by hand: the period clock has run.
        const int jamNumber = bout().jamNumber();
        bout().clearNumber(Bout::JamNumber);
        bout().setPeriodTime(ticks(300));
        QCOMPARE(bout().periodResetTicks(), ticks(700));
        // And with the period clock put back to its start as well, on a bout read back too.
        bout().resetPeriod();
        bout().setState(*BoutState::fromJson(bout().state(0).toJson()));
        bout().setPeriodTime(ticks(250));
        QCOMPARE(bout().periodResetTicks(), ticks(700));
        bout().setNumber(Bout::JamNumber, jamNumber);
        bout().startStopJam();
        QCOMPARE(bout().jamEngine()->ticks(), ticks(120));
        bout().startStopJam();
        bout().setJamTime(ticks(90));
        bout().startStopJam();
        QCOMPARE(bout().jamEngine()->ticks(), ticks(90));
        // The next period's course begins with its first jam, as the first's did.
        bout().setPeriodTime(ticks(1));
        bout().startStopPeriod();
        advance(2000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Halftime);
        advance(3600 * 1000);
        QCOMPARE(bout().phase(), Bout::Between);
        QVERIFY(bout().officialTimeout());
        QVERIFY(bout().officialTimeout());
        bout().setPeriodTime(ticks(600));
        QCOMPARE(bout().periodResetTicks(), ticks(600));
        GameRules off = flowRules();
        off.on = false;
        bout().setGameRules(off);
        bout().setJamTime(ticks(100));
        bout().setPeriodTime(ticks(300));
        QCOMPARE(bout().jamResetTicks(), ticks(100));
        QCOMPARE(bout().periodResetTicks(), ticks(300));
    }

    // A period clock put at zero by hand, in a lineup or before the first jam: the next jam is
    // the period's last, and its end, not its start, ends the period with the period's sound.
    void periodPutAtZeroByHand()
    {
        for (const bool firstJam : {false, true}) {
            init();
            if (!firstJam) {
                bout().startStopJam();
                advance(5000);
                bout().startStopJam();
                QCOMPARE(takeSounds(), Sounds {Bout::BuzzerSound});
            }
            bout().setPeriodTime(0);
            advance(1000);
            bout().startStopJam();
            advance(1000);
            QCOMPARE(bout().phase(), Bout::Jam);
            QVERIFY(bout().jamEngine()->isRunning() && !bout().periodEngine()->isRunning());
            QCOMPARE(bout().jamNumber(), firstJam ? 1 : 2);
            QVERIFY(takeSounds().isEmpty());
            QVERIFY(!bout().teamTimeout(Team::Home));
            bout().startStopJam();
            QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
            QCOMPARE(bout().phase(), Bout::Halftime);
            QVERIFY(bout().flowEngine()->isRunning());
            // Taken back and played out to its time instead.
            bout().undo();
            QCOMPARE(bout().phase(), Bout::Jam);
            advance(121000);
            QCOMPARE(takeSounds(), Sounds {Bout::PeriodEndSound});
            QCOMPARE(bout().phase(), Bout::Halftime);
            QCOMPARE(bout().periodNumber(), 1);
        }
    }

    // A jam whose clocks were stopped in its course, as a bout resumed with its clocks stopped
    // has it, goes on where it stood: J neither counts a new jam nor resets its clock.
    void stoppedJamGoesOn()
    {
        bout().startStopJam();
        bout().startStopJam();
        advance(1000);
        bout().startStopJam();
        advance(5000);
        bout().setState(bout().state(0).awayFor(std::nullopt, bout().rules()));
        QCOMPARE(bout().phase(), Bout::Jam);
        QVERIFY(!anyRunning());
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().jamNumber(), 2);
        QCOMPARE(bout().jamEngine()->ticks(), ticks(115));
        QVERIFY(bout().jamEngine()->isRunning() && bout().periodEngine()->isRunning());
        advance(1000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Lineup);
        QCOMPARE(bout().jamEngine()->ticks(), ticks(114));
    }

    // The rules as set: other times and counts, and the flow switched off and on mid-bout.
    void rulesAsSet()
    {
        GameRules rules = flowRules();
        rules.lineupTicks = ticks(45);
        rules.teamTimeoutTicks = ticks(90);
        rules.teamTimeouts = 1;
        rules.officialReviews = 2;
        rules.periods = 1;
        bout().setGameRules(rules);
        QCOMPARE(bout().gameRules(), rules);
        // What each team has used stays used under the new counts.
        QCOMPARE(bout().homeTimeouts(), 1);
        QCOMPARE(bout().homeReviews(), 2);
        QCOMPARE(bout().visitorReviews(), 2);
        bout().startStopJam();
        bout().startStopJam();
        QCOMPARE(bout().flowEngine()->ticks(), ticks(45));
        QVERIFY(bout().teamTimeout(Team::Home));
        QCOMPARE(bout().flowEngine()->ticks(), ticks(90));
        QVERIFY(bout().teamTimeout(Team::Home));
        QVERIFY(!bout().teamTimeout(Team::Home));
        const auto timeoutsPerGame = [this, &rules](int count) {
            rules.teamTimeouts = count;
            bout().setGameRules(rules);
            return std::pair(bout().homeTimeouts(), bout().visitorTimeouts());
        };
        QCOMPARE(timeoutsPerGame(2), std::pair(1, 2));
        // Fewer than a team has used leave it none.
        QCOMPARE(timeoutsPerGame(0), std::pair(0, 0));
        // Set back, what was used is used still: a count mistyped and put right gives nothing
        // back, also across a restart.
        QCOMPARE(timeoutsPerGame(2), std::pair(1, 2));
        timeoutsPerGame(0);
        Bout restarted;
        restarted.setGameRules(rules);
        restarted.setState(*BoutState::fromJson(bout().state(0).toJson()));
        rules.teamTimeouts = 2;
        restarted.setGameRules(rules);
        QCOMPARE(restarted.homeTimeouts(), 1);
        // A count typed is what is left, also one typed over the count it shows.
        timeoutsPerGame(0);
        bout().setNumber(Bout::HomeTimeouts, 0);
        QCOMPARE(timeoutsPerGame(2), std::pair(2, 2));
        bout().setNumber(Bout::HomeTimeouts, 1);
        // Undo takes back the keys, not the rules set since.
        bout().setNumber(Bout::VisitorScore, 4);
        rules.teamTimeouts = 3;
        rules.officialReviews = 3;
        bout().setGameRules(rules);
        bout().undo();
        QCOMPARE(bout().visitorScore(), 0);
        QCOMPARE(bout().homeTimeouts(), 2);
        QCOMPARE(bout().visitorTimeouts(), 3);
        QCOMPARE(bout().homeReviews(), 3);
        rules.teamTimeouts = 2;
        rules.officialReviews = 2;
        bout().setGameRules(rules);
        // A count typed blank is not counted.
        bout().clearNumber(Bout::VisitorTimeouts);
        QVERIFY(bout().teamTimeout(Team::Visitor));
        QCOMPARE(bout().visitorTimeouts(), -1);
        QVERIFY(bout().teamTimeout(Team::Visitor));

        // Off mid-jam: the board as it always was, clocks and scores kept, the jammers' seats
        // not shown; on again: back in the jam.
        bout().setNumber(Bout::HomeScore, 12);
        bout().startStopJam();
        advance(2000);
        rules.on = false;
        bout().setGameRules(rules);
        QVERIFY(!bout().gameFlow());
        QCOMPARE(bout().phase(), Bout::Between);
        QVERIFY(bout().jamEngine()->isRunning() && bout().periodEngine()->isRunning());
        QCOMPARE(bout().homeScore(), 12);
        QVERIFY(!bout().teamTimeout(Team::Visitor));
        QCOMPARE(BoutReadout::jamClock(bout()).value, 118.0f);
        bout().setPenaltyTime(5, ticks(30));
        QCOMPARE(BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).penalties[5], "");
        QCOMPARE(BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).caption, "");
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Between);
        QVERIFY(!bout().flowEngine()->isRunning());
        bout().startStopJam();
        bout().setNumber(Bout::VisitorScore, 2);
        rules.on = true;
        bout().setGameRules(rules);
        QCOMPARE(bout().phase(), Bout::Jam);
        // Taking back a key from before it was on leaves the flow on, in the jam.
        bout().undo();
        QCOMPARE(bout().visitorScore(), 0);
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(BoutReadout::texts(bout(), QTime(12, 0), QLocale::c()).penalties[5], "0:30");
        // Off in the lineup: its clock stops and the jam's display shows the jam clock again.
        bout().startStopJam();
        QVERIFY(bout().flowEngine()->isRunning());
        rules.on = false;
        bout().setGameRules(rules);
        QVERIFY(!bout().flowEngine()->isRunning());
        QCOMPARE(BoutReadout::jamClock(bout()).value, 118.0f);

        // The periods changed after a period: one fewer at the halftime makes the game final;
        // more at "Final" bring a halftime, and the next period after it.
        rules.on = true;
        rules.periods = 2;
        bout().setGameRules(rules);
        bout().newBout();
        bout().setPeriodTime(ticks(5));
        bout().startStopJam();
        advance(6000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Halftime);
        rules.periods = 1;
        bout().setGameRules(rules);
        QCOMPARE(bout().phase(), Bout::Final);
        QCOMPARE(caption(), "Final");
        QVERIFY(!anyRunning());
        rules.periods = 3;
        bout().setGameRules(rules);
        QCOMPARE(bout().phase(), Bout::Halftime);
        QVERIFY(bout().flowEngine()->isRunning());
        QCOMPARE(bout().flowEngine()->ticks(), rules.halftimeTicks);
        // Still a halftime with two: its clock runs on.
        advance(1000);
        rules.periods = 2;
        bout().setGameRules(rules);
        QCOMPARE(bout().phase(), Bout::Halftime);
        QCOMPARE(bout().flowEngine()->ticks(), rules.halftimeTicks - ticks(1));
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().periodNumber(), 2);

        // A review the rules took away comes back with the next period's reviews.
        rules.periods = 3;
        bout().setGameRules(rules);
        QVERIFY(bout().officialReview(Team::Home));
        rules.officialReviews = 0;
        bout().setGameRules(rules);
        QCOMPARE(bout().homeReviews(), 0);
        bout().setPeriodTime(0);
        bout().startStopJam();
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Halftime);
        bout().startStopJam();
        QCOMPARE(bout().periodNumber(), 3);
        rules.officialReviews = 1;
        bout().setGameRules(rules);
        QCOMPARE(bout().homeReviews(), 1);
    }

    // The flow switched off and on again goes on where it was, its clock run on meanwhile, while
    // the clocks are where it left them; else it is read from the clocks.
    void switchedOffAndOn()
    {
        GameRules rules = flowRules();
        const auto flowOn = [&](bool on) {
            rules.on = on;
            bout().setGameRules(rules);
        };
        // The halftime, with the time of day shown meanwhile and a score typed: it runs on.
        bout().setPeriodTime(ticks(5));
        bout().startStopJam();
        advance(6000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Halftime);
        advance(10000);
        flowOn(false);
        QCOMPARE(bout().phase(), Bout::Between);
        QCOMPARE(caption(), "");
        bout().switchClock();
        bout().setNumber(Bout::HomeScore, 7);
        advance(20000);
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Halftime);
        QVERIFY(bout().flowEngine()->isRunning());
        QCOMPARE(bout().flowEngine()->ticks(), rules.halftimeTicks - ticks(30));
        QCOMPARE(bout().homeScore(), 7);
        // Steps taken with the flow on come back in their phase; one taken while it was off,
        // as the clocks have it.
        bout().undo();
        QCOMPARE(bout().homeScore(), 0);
        QCOMPARE(bout().phase(), Bout::Halftime);
        bout().undo();
        QCOMPARE(bout().phase(), Bout::Halftime);
        QVERIFY(bout().clockTime() == false);
        QCOMPARE(bout().flowEngine()->ticks(), rules.halftimeTicks - ticks(30));
        bout().undo();
        QCOMPARE(bout().phase(), Bout::Jam);

        // The lineup, which ran out while the flow was off: it stands at zero.
        bout().newBout();
        bout().setPeriodTime(ticks(600));
        bout().startStopJam();
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Lineup);
        flowOn(false);
        advance(40000);
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Lineup);
        QCOMPARE(bout().flowEngine()->ticks(), 0);
        QVERIFY(!bout().flowEngine()->isRunning());
        // A team timeout, where a jam was started and stopped meanwhile: the clocks say lineup.
        QVERIFY(bout().teamTimeout(Team::Home));
        flowOn(false);
        bout().startStopJam();
        advance(1000);
        bout().startStopJam();
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Between);
        QCOMPARE(bout().homeTimeouts(), 2);
        // The period is still under way: a time typed into its clock puts it right, and the
        // period's length stays for the next.
        bout().setPeriodTime(ticks(300));
        QCOMPARE(bout().periodResetTicks(), ticks(600));
        // A jam started meanwhile is a jam; the rules' counts set meanwhile count.
        QVERIFY(bout().officialReview(Team::Visitor));
        flowOn(false);
        rules.officialReviews = 2;
        bout().setGameRules(rules);
        bout().startStopJam();
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Jam);
        QCOMPARE(bout().visitorReviews(), 1);

        // A period run out with the flow off ends with the flow on: the halftime from its full
        // length after the first, "Final" after the last, where J plays no more jams.
        for (const int period : {1, 2}) {
            flowOn(false);
            bout().newBout();
            bout().setNumber(Bout::PeriodNumber, period);
            bout().setPeriodTime(ticks(3));
            bout().startStopPeriod();
            advance(4000);
            flowOn(true);
            QCOMPARE(bout().phase(), period == 1 ? Bout::Halftime : Bout::Final);
            QCOMPARE(bout().flowEngine()->ticks(), period == 1 ? rules.halftimeTicks : 0);
        }
        flowOn(false);
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Final);
        bout().setNumber(Bout::HomeScore, 1);
        bout().startStopJam();
        QVERIFY(!bout().jamEngine()->isRunning());
        // A new bout meanwhile starts afresh.
        flowOn(false);
        bout().newBout();
        flowOn(true);
        QCOMPARE(bout().phase(), Bout::Between);
        // A halftime run out while the flow was off ends: the next period stands ready.
        bout().setPeriodTime(ticks(5));
        bout().startStopPeriod();
        advance(6000);
        QCOMPARE(bout().phase(), Bout::Halftime);
        flowOn(false);
        advance(900000);
        flowOn(true);
        advance(50);
        QCOMPARE(bout().phase(), Bout::Between);
        QCOMPARE(bout().periodNumber(), 2);
        QCOMPARE(bout().periodEngine()->ticks(), ticks(5));
    }

    // A bout the journal kept, put back on a board whose rules were changed in the settings file
    // meanwhile, is brought under them as a change in Options brings it; one kept by an older
    // board, which did not keep its rules, is put back as it was.
    void resumedUnderOtherRules()
    {
        // Home has used one timeout; the visitors their review.
        QVERIFY(bout().teamTimeout(Team::Home));
        QVERIFY(bout().teamTimeout(Team::Home));
        QVERIFY(bout().officialReview(Team::Visitor));
        QCOMPARE(bout().homeTimeouts(), 2);
        const QByteArray kept = bout().state(0).toJson();
        const std::optional<BoutState> back = BoutState::fromJson(kept);
        QVERIFY(back && back->keptUnder == flowRules());

        GameRules fewer = flowRules();
        fewer.teamTimeouts = 1;
        fewer.officialReviews = 0;
        Bout other;
        other.setGameRules(fewer);
        other.setState(*back);
        QCOMPARE(other.homeTimeouts(), 0);
        QCOMPARE(other.visitorTimeouts(), 1);
        QCOMPARE(other.homeReviews(), 0);
        QCOMPARE(other.visitorReviews(), 0);
        QCOMPARE(other.phase(), Bout::VisitorReview);
        // What it keeps from then on is kept under its own rules.
        QCOMPARE(other.state(0).keptUnder, fewer);

        BoutState older = *back;
        older.keptUnder.reset();
        QVERIFY(!BoutState::fromJson(older.toJson())->keptUnder);
        other.setState(*BoutState::fromJson(older.toJson()));
        QCOMPARE(other.homeTimeouts(), 2);
        QCOMPARE(other.visitorTimeouts(), 3);

        // Rules the journal holds out of bounds are not known: the bout comes back as it was.
        QByteArray odd = kept;
        odd.replace("\"teamTimeouts\":3", "\"teamTimeouts\":30");
        QVERIFY(odd != kept);
        const std::optional<BoutState> oddBack = BoutState::fromJson(odd);
        QVERIFY(oddBack && !oddBack->keptUnder);
        QCOMPARE(oddBack->numbers, back->numbers);

        // Kept at the halftime of two periods, put back in a one-period game: final.
        bout().teamTimeout(Team::Home);
        bout().setPeriodTime(ticks(5));
        bout().startStopJam();
        advance(6000);
        bout().startStopJam();
        QCOMPARE(bout().phase(), Bout::Halftime);
        GameRules one = flowRules();
        one.periods = 1;
        other.setGameRules(one);
        other.setState(*BoutState::fromJson(bout().state(0).toJson()));
        QCOMPARE(other.phase(), Bout::Final);
    }

    // The numbers the flow adds are typed like the period number, within their limits.
    void flowNumbers_data()
    {
        QTest::addColumn<Bout::Item>("item");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QByteArray>("property");
        QTest::newRow("jam number") << Bout::JamNumber << 99 << QByteArray("JamNumber");
        QTest::newRow("home timeouts") << Bout::HomeTimeouts << 9 << QByteArray("HomeTimeouts");
        QTest::newRow("visitor timeouts")
                << Bout::VisitorTimeouts << 9 << QByteArray("VisitorTimeouts");
        QTest::newRow("home reviews") << Bout::HomeReviews << 9 << QByteArray("HomeReviews");
        QTest::newRow("visitor reviews")
                << Bout::VisitorReviews << 9 << QByteArray("VisitorReviews");
    }
    void flowNumbers()
    {
        QFETCH(Bout::Item, item);
        QFETCH(int, limit);
        QFETCH(QByteArray, property);
        QSignalSpy changed(&bout(), &Bout::changed);
        bout().setNumber(item, limit);
        QCOMPARE(bout().number(item), limit);
        bout().setNumber(item, limit + 1);
        bout().setNumber(item, -1);
        QCOMPARE(bout().number(item), limit);
        bout().setNumber(item, 0);
        QCOMPARE(bout().number(item), 0);
        bout().clearNumber(item);
        QCOMPARE(bout().number(item), -1);
        QCOMPARE(changed.size(), 3);
        QCOMPARE(changed.at(0).at(0).value<Bout::Item>(), item);
        QCOMPARE(bout().property(property).toInt(), -1);
    }

    // Undo takes back one command or typed entry as if it had never happened: the bout equals a
    // twin that never had it, running clocks counted on, and nothing sounds.
    void undoTakesBackOneStep_data()
    {
        QTest::addColumn<bool>("flow");
        QTest::addColumn<QString>("before"); // what the bout does first
        QTest::addColumn<QString>("command");
        const struct
        {
            bool flow;
            const char *before, *command;
        } rows[] = {
                {false, "idle", "J"},
                {false, "jam", "J"},
                {false, "jam", "R"},
                {false, "jam", "S"},
                {false, "idle", "S"},
                {false, "jam", "T"},
                {false, "jam", "C"},
                {false, "jam", "clear penalty"},
                {false, "jam", "add penalty"},
                {false, "jam", "I"},
                {false, "jam", "jam time"},
                {false, "jam", "period time"},
                {false, "jam", "penalty time"},
                {false, "jam", "score"},
                {false, "jam", "clear score"},
                {false, "jam ending", "S"},
                {true, "lineup", "J"},
                {true, "jam", "J"},
                {true, "jam", "home timeout"},
                {true, "lineup", "visitor review"},
                {true, "official timeout", "official timeout"},
                {true, "official timeout", "J"},
                {true, "jam", "jam number"},
                {true, "lineup", "timeouts"},
                {true, "halftime", "J"},
                {true, "jam ending", "S"},
                {true, "jam ending", "visitor timeout"},
        };
        for (const auto &row : rows) {
            QTest::addRow("%s: %s%s", row.before, row.command, row.flow ? ", flow" : "")
                    << row.flow << QString(row.before) << QString(row.command);
        }
    }
    void undoTakesBackOneStep()
    {
        QFETCH(bool, flow);
        QFETCH(QString, before);
        QFETCH(QString, command);
        GameRules rules;
        rules.on = flow;
        bout().setGameRules(rules);
        Bout twin;
        twin.setGameRules(rules);
        const auto both = [&](const std::function<void(Bout &)> &step) {
            step(bout());
            step(twin);
        };
        both([](Bout &b) {
            b.addPenaltyTime(0, 60);
            b.setNumber(Bout::HomeScore, 4);
        });
        if (before == "jam" || before == "lineup") {
            both([](Bout &b) { b.startStopJam(); });
            advance(10000, {&twin});
        }
        if (before == "jam ending") {
            both([](Bout &b) {
                b.startStopJam();
                b.setJamTime(ticks(2));
            });
        }
        if (before == "lineup")
            both([](Bout &b) { b.startStopJam(); });
        if (before == "official timeout")
            both([](Bout &b) { b.officialTimeout(); });
        if (before == "halftime") {
            both([](Bout &b) {
                b.setPeriodTime(ticks(5));
                b.startStopPeriod();
            });
            advance(6000, {&twin});
            QCOMPARE(twin.phase(), Bout::Halftime);
        }
        advance(1000, {&twin});
        QCOMPARE(bout().state(0), twin.state(0));

        const QHash<QString, std::function<void(Bout &)>> commands {
                {"J", [](Bout &b) { b.startStopJam(); }},
                {"R", [](Bout &b) { b.resetJam(); }},
                {"S", [](Bout &b) { b.startStopPeriod(); }},
                {"T", [](Bout &b) { b.resetPeriod(); }},
                {"C", [](Bout &b) { b.switchClock(); }},
                {"clear penalty", [](Bout &b) { b.clearPenalty(0); }},
                {"add penalty", [](Bout &b) { b.addPenaltyTime(1, 30); }},
                {"I", [](Bout &b) { b.startStopPenalty(0); }},
                {"jam time", [](Bout &b) { b.setJamTime(ticks(90)); }},
                {"period time", [](Bout &b) { b.setPeriodTime(ticks(300)); }},
                {"penalty time", [](Bout &b) { b.setPenaltyTime(2, ticks(45)); }},
                {"score", [](Bout &b) { b.setNumber(Bout::HomeScore, 9); }},
                {"clear score", [](Bout &b) { b.clearNumber(Bout::HomeScore); }},
                {"home timeout", [](Bout &b) { b.teamTimeout(Team::Home); }},
                {"visitor timeout", [](Bout &b) { b.teamTimeout(Team::Visitor); }},
                {"visitor review", [](Bout &b) { b.officialReview(Team::Visitor); }},
                {"official timeout", [](Bout &b) { b.officialTimeout(); }},
                {"jam number", [](Bout &b) { b.setNumber(Bout::JamNumber, 5); }},
                {"timeouts", [](Bout &b) { b.setNumber(Bout::VisitorTimeouts, 0); }},
        };
        QVERIFY(commands.contains(command));
        const BoutState twinBefore = twin.state(0);
        commands[command](bout());
        QVERIFY(bout().canUndo());
        QVERIFY(bout().state(0) != twinBefore);
        // Long enough that a clock counted on by a tenth of a millisecond too many would show.
        advance(10000, {&twin});

        takeSounds();
        QList<Bout::Item> changed;
        connect(&bout(), &Bout::changed, this,
                [&changed](Bout::Item item) { changed.append(item); });
        bout().undo();
        QVERIFY(takeSounds().isEmpty());
        QCOMPARE(bout().state(0), twin.state(0));
        // The journal and the boards hear of every item.
        for (int item = Bout::PeriodClock; item <= Bout::FlowPhase; ++item)
            QVERIFY2(changed.contains(Bout::Item(item)), qPrintable(QString::number(item)));
        // Nothing is sounded late, and the two go on alike.
        advance(2000, {&twin});
        QVERIFY(takeSounds().isEmpty());
        QCOMPARE(bout().state(0), twin.state(0));
    }

    // Fifty steps and more go back one by one; an undo with nothing to undo does nothing.
    void undoManySteps()
    {
        bout().startStopJam();
        for (int score = 1; score <= 60; ++score)
            bout().setNumber(Bout::HomeScore, score);
        // Neither a refresh nor a command that changes nothing is a step.
        bout().refresh();
        bout().setNumber(Bout::HomeScore, 60);
        advance(1000);
        for (int score = 59; score >= 0; --score) {
            bout().undo();
            QCOMPARE(bout().homeScore(), score);
        }
        QVERIFY(bout().jamEngine()->isRunning());
        QVERIFY(bout().canUndo());
        bout().undo();
        QVERIFY(!bout().jamEngine()->isRunning());
        QCOMPARE(bout().jamEngine()->ticks(), ticks(120));
        QVERIFY(!bout().canUndo());
        QSignalSpy changed(&bout(), &Bout::changed);
        QSignalSpy refused(&bout(), &Bout::refused);
        bout().undo();
        QVERIFY(changed.isEmpty());
        // Said, so that a U pressed after a start is not taken for a key that does nothing.
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().toString(), "Nothing to undo.");

        // The oldest steps go once there are more than the bout keeps.
        for (int score = 1; score <= Bout::UndoSteps + 20; ++score)
            bout().setNumber(Bout::HomeScore, score);
        for (int undone = 0; undone < Bout::UndoSteps; ++undone)
            bout().undo();
        QCOMPARE(bout().homeScore(), 20);
        QVERIFY(!bout().canUndo());

        // A new bout leaves nothing to undo.
        bout().setNumber(Bout::VisitorScore, 3);
        QList<Bout::Item> items;
        connect(&bout(), &Bout::changed, this, [&items](Bout::Item item) { items.append(item); });
        bout().newBout();
        for (int item = Bout::PeriodClock; item <= Bout::FlowPhase; ++item)
            QVERIFY(items.contains(Bout::Item(item)));
        QVERIFY(!bout().canUndo());
        QCOMPARE(bout().visitorScore(), 0);
    }
};

QTEST_APPLESS_MAIN(TestGameFlow)
#include "tst_gameflow.moc"
