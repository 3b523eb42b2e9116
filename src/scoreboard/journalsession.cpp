#include "journalsession.h"

#include "bout.h"
#include "notice.h"
#include "wallclock.h"

#include <QDateTime>
#include <QEvent>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

JournalSession::JournalSession(Bout *bout, BoutJournal *journal, Notice *notice, QWidget *board)
    : QObject(board)
    , m_bout(bout)
    , m_journal(journal)
    , m_notice(notice)
    , m_board(board)
{
    board->installEventFilter(this);
    connect(m_bout, &Bout::changed, this, &JournalSession::recordSoon);
    connect(m_journal, &BoutJournal::writeFailed, this, [this](const QString &message) {
        qWarning("%s", qPrintable(message));
        m_notice->showText(tr("The bout cannot be saved now; still trying."));
    });
    connect(m_journal, &BoutJournal::writeRecovered, this,
            [this] { m_notice->showText(tr("The bout is being saved again.")); });
}

void JournalSession::resume()
{
    m_opening = m_journal->open();
    const BoutState::Rules rules {m_bout->joinJamPenalty(), m_bout->delayPeriodEndSound()};
    const BoutState::Moment now = WallClock::current()->now();
    const auto &clocks = m_opening.state.clocks;
    m_clocksStopped = !m_opening.state.awayMs(now)
            && std::any_of(clocks.begin(), clocks.end(),
                           [](const BoutState::ClockValue &clock) { return clock.running; });
    m_bout->setState(m_opening.state.resumedAt(now, rules));
    // What the board holds now, including what ran out while it was away, is the first record.
    record();
}

void JournalSession::greet()
{
    if (!m_opening.problem.isEmpty()) {
        qWarning("%s", qPrintable(m_opening.problem));
        // Not modal: the board runs on behind it.
        auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Corvanta"),
                                    m_opening.problem, QMessageBox::Ok, m_board);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
        return;
    }
    if (!m_opening.state.isUnderWay())
        return;
    const QString when = timeText(m_opening.state.takenAtMs);
    const QString resumed = m_clocksStopped ? tr("Bout resumed from %1, clocks stopped").arg(when)
                                            : tr("Bout resumed from %1").arg(when);
    if (m_opening.ending == BoutJournal::Ending::Abnormal) {
        m_notice->showText(resumed, ResumedNoticeSeconds);
        return;
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("Corvanta"),
                    tr("A bout was under way when Corvanta was closed at %1.").arg(when),
                    QMessageBox::NoButton, m_board);
    QPushButton *resume = box.addButton(tr("&Resume That Bout"), QMessageBox::AcceptRole);
    QPushButton *fresh = box.addButton(tr("Start a &New Bout"), QMessageBox::DestructiveRole);
    box.setDefaultButton(resume);
    box.setEscapeButton(resume);
    box.exec();
    if (box.clickedButton() == fresh)
        m_bout->setState(BoutState());
    else if (m_clocksStopped)
        m_notice->showText(resumed, ResumedNoticeSeconds);
}

void JournalSession::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_journal->close(stateNow());
}

QString JournalSession::timeText(qint64 msecsSinceEpoch)
{
    // The system's long time format without the time zone.
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return locale.toString(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).time(),
                           format.trimmed());
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
    if (!m_closed)
        m_journal->record(stateNow());
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
