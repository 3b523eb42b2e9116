#include "journalsession.h"

#include "bout.h"
#include "keycodetostr.h"
#include "notice.h"
#include "settingsmodel.h"
#include "wallclock.h"

#include <QDateTime>
#include <QEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <utility>

JournalSession::JournalSession(Bout *bout, BoutJournal *journal, Notice *notice, QWidget *board)
    : QObject(board)
    , m_bout(bout)
    , m_journal(journal)
    , m_notice(notice)
    , m_board(board)
    , m_clockCheck(new QTimer(this))
{
    board->installEventFilter(this);
    // Records are stamped with the time of day, by which the time away is counted after the PC
    // restarted; a clock set since (the venue's network reached, a date put right by hand) would
    // otherwise count as time the clocks ran on, or did not.
    m_clockCheck->setInterval(ClockCheckMilliseconds);
    m_clockCheck->setTimerType(Qt::VeryCoarseTimer);
    connect(m_clockCheck, &QTimer::timeout, this, &JournalSession::checkClockSet);
    connect(m_bout, &Bout::changed, this, &JournalSession::recordSoon);
    // Said at start, as the first write fails or succeeds, these follow the bout's greeting
    // rather than take its place; saving again takes the place of the trouble told before it,
    // and of nothing told beside it.
    connect(m_journal, &BoutJournal::writeFailed, this,
            [this](const QString &message, bool diskFull) {
                qWarning("%s", qPrintable(message));
                m_troubleTold = troubleText(diskFull);
                m_notice->addText(m_troubleTold);
            });
    connect(m_journal, &BoutJournal::writeRecovered, this, [this] {
        const QString text = tr("The bout is being saved again.");
        const QString told = std::exchange(m_troubleTold, QString());
        if (!told.isEmpty())
            m_notice->replaceText(told, text);
        else
            m_notice->addText(text);
    });
    connect(m_journal, &BoutJournal::replacedFileKeptAside, this,
            [this](const QString &message) { m_notice->showText(message); });
}

QString JournalSession::troubleText(bool diskFull)
{
    // A full disk is named: the operator makes room, rather than look for a program to close.
    return diskFull ? tr("The bout cannot be saved now: the disk is full; still trying.")
                    : tr("The bout cannot be saved now; still trying.");
}

void JournalSession::resume()
{
    m_opening = m_journal->open();
    const BoutState::Rules rules = m_bout->rules();
    const BoutState::Moment now = WallClock::current()->now();
    const auto &clocks = m_opening.state.clocks;
    m_clocksStopped = !m_opening.state.awayMs(now)
            && std::any_of(clocks.begin(), clocks.end(),
                           [](const BoutState::ClockValue &clock) { return clock.running; });
    // With no bout kept, a new one, by the game's rules.
    if (m_opening.ending == BoutJournal::Ending::None)
        m_bout->newBout();
    else
        m_bout->setState(m_opening.state.resumedAt(now, rules));
    // What the board holds now, including what ran out while it was away, is the first record.
    record();
}

void JournalSession::greet()
{
    // Everything is said in the notice, which covers no display: a question or a box here would
    // stand in front of a bout that may be running, and take the keys from it.
    const QString text = greeting(m_opening, settings().NewBoutKey, m_clocksStopped);
    if (!text.isEmpty())
        m_notice->addText(text, ResumedNoticeSeconds);
    m_resumedTold = resumedText(m_opening, settings().NewBoutKey, m_clocksStopped);
}

void JournalSession::dropGreeting()
{
    m_notice->removeText(std::exchange(m_resumedTold, QString()));
}

QString JournalSession::greeting(const BoutJournal::Opening &opening, int newBoutKey,
                                 bool clocksStopped)
{
    if (!opening.state.isUnderWay())
        return opening.problem;
    const QString text = resumedText(opening, newBoutKey, clocksStopped);
    if (!opening.problem.isEmpty())
        return tr("%1. %2").arg(text, opening.problem);
    return opening.ending == BoutJournal::Ending::Closed ? text + u'.' : text;
}

QString JournalSession::resumedText(const BoutJournal::Opening &opening, int newBoutKey,
                                    bool clocksStopped)
{
    if (!opening.state.isUnderWay())
        return QString();
    // A bout kept on another day (a board not closed the night before) says which.
    const QDate day = QDateTime::fromMSecsSinceEpoch(opening.state.takenAtMs).date();
    const QDate today
            = QDateTime::fromMSecsSinceEpoch(WallClock::current()->msecsSinceEpoch()).date();
    QString when = timeText(opening.state.takenAtMs);
    if (day != today)
        when = QLocale::system().toString(day, QLocale::ShortFormat) + u' ' + when;
    QString text = clocksStopped ? tr("Bout resumed from %1, clocks stopped").arg(when)
                                 : tr("Bout resumed from %1").arg(when);
    // After a crash the bout obviously goes on; after a normal close the operator may well want
    // a new one, whatever else there is to say.
    const bool closed = opening.ending == BoutJournal::Ending::Closed;
    if (closed && newBoutKey != 0)
        text = tr("%1. To start a new bout, press %2").arg(text, KeyCodeToStr(newBoutKey));
    else if (closed)
        text = tr("%1. To start a new bout: Options, Additional Settings").arg(text);
    return text;
}

void JournalSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_clockCheck->stop();
    m_journal->close(stateNow());
}

QString JournalSession::timeText(qint64 msecsSinceEpoch, const QLocale &locale)
{
    // The locale's long time format without the time zone and its brackets, and without the
    // letters Qt cannot show, which it would print as they stand (Taiwan's day period "B"). A
    // 12-hour format left without its AM/PM is read in 24 hours.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    bool amPm = false;
    bool quoted = false;
    for (const QChar c : format) {
        quoted ^= c == u'\'';
        amPm |= !quoted && (c == u'a' || c == u'A');
    }
    QString kept;
    quoted = false;
    for (const QChar c : format) {
        quoted ^= c == u'\'';
        if (quoted || c > u'z' || !c.isLetter()) // the format's fields are in ASCII letters
            kept += c;
        else if (c == u'h' && !amPm)
            kept += u'H';
        else if (QStringLiteral("hHmszAaPp").contains(c))
            kept += c;
    }
    kept.remove(QRegularExpression(QStringLiteral("[(\\[]\\s*[)\\]]")));
    return locale.toString(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).time(),
                           kept.simplified());
}

// A command changes several items one after the other; the record is made once it is complete,
// before the next key is handled, so the journal never holds half a command.
void JournalSession::recordSoon()
{
    if (m_recordQueued || m_closed)
        return;
    m_recordQueued = true;
    QMetaObject::invokeMethod(this, &JournalSession::record, Qt::QueuedConnection);
}

void JournalSession::record()
{
    m_recordQueued = false;
    if (m_closed)
        return;
    const BoutState state = stateNow();
    m_recordedClockOffset.reset();
    if (!state.bootId.isEmpty())
        m_recordedClockOffset = state.takenAtMs - state.takenAtBootMs;
    m_journal->record(state);
    if (!m_clockCheck->isActive())
        m_clockCheck->start();
}

void JournalSession::checkClockSet()
{
    if (!m_recordedClockOffset || m_closed)
        return;
    const BoutState::Moment now = WallClock::current()->now();
    if (now.bootId.isEmpty())
        return;
    if (qAbs(now.wallMs - now.bootMs - *m_recordedClockOffset) > ClockSetMilliseconds)
        record();
}

BoutState JournalSession::stateNow() const
{
    const BoutState::Moment now = WallClock::current()->now();
    BoutState state = m_bout->state(now.wallMs);
    state.bootId = now.bootId;
    state.takenAtBootMs = now.bootMs;
    return state;
}

bool JournalSession::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_board && event->type() == QEvent::Show && !m_greeted) {
        m_greeted = true;
        QTimer::singleShot(0, this, &JournalSession::greet);
    } else if (watched == m_board && event->type() == QEvent::Close) {
        close();
    }
    return false;
}
