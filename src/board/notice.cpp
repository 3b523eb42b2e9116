#include "notice.h"

#include "clocksource.h"
#include "label.h"

#include <QTimer>

Notice::Notice(Label *caption, QWidget *covered, QObject *parent)
    : QObject(parent)
    , m_caption(caption)
    , m_covered(covered)
    , m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("ntcBoard"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &Notice::checkClock);
}

QString Notice::text() const
{
    return m_caption->Caption();
}

void Notice::showText(const QString &text, int seconds)
{
    showText(text, QString(), seconds);
}

void Notice::showText(const QString &text, const QString &name, int seconds)
{
    const qsizetype at = name.isEmpty() ? -1 : text.indexOf(name);
    m_caption->setCaption(text, qMax<qsizetype>(0, at), at < 0 ? 0 : name.size());
    if (m_covered)
        m_covered->hide();
    m_shownAtNs = ClockSource::current()->nanoseconds();
    m_hideAtNs = m_shownAtNs + qint64(seconds) * 1000000000;
    checkClock();
}

void Notice::addText(const QString &text, int seconds)
{
    const QString showing = this->text();
    const qint64 nowNs = ClockSource::current()->nanoseconds();
    if (showing.isEmpty() || nowNs - m_shownAtNs >= TogetherNanoseconds) {
        showText(text, seconds);
        return;
    }
    if (showing.contains(text))
        return;
    // Words that end without a stop ("Bout resumed from 10:00") get one before the next.
    const QString joint = QStringLiteral(".!?:").contains(showing.back()) ? QStringLiteral(" ")
                                                                          : QStringLiteral(". ");
    showText(showing + joint + text, qMax(seconds, secondsLeft()));
}

void Notice::replaceText(const QString &told, const QString &text, int seconds)
{
    QString showing = this->text();
    if (told.isEmpty() || !showing.contains(told)) {
        showText(text, seconds);
        return;
    }
    showText(showing.replace(told, text), qMax(seconds, secondsLeft()));
}

void Notice::removeText(const QString &told)
{
    const QString showing = text();
    const qsizetype at = told.isEmpty() ? -1 : showing.indexOf(told);
    if (at < 0)
        return;
    QString after = showing.mid(at + told.size());
    while (after.startsWith(u'.') || after.startsWith(u' '))
        after.remove(0, 1);
    const QString rest = (showing.left(at) + after).trimmed();
    if (rest.isEmpty())
        clear();
    else
        showText(rest, secondsLeft());
}

int Notice::secondsLeft() const
{
    const qint64 leftNs = m_hideAtNs - ClockSource::current()->nanoseconds();
    return int((leftNs + 999999999) / 1000000000);
}

void Notice::clear()
{
    m_hideAtNs = ClockSource::current()->nanoseconds();
    checkClock();
}

void Notice::checkClock()
{
    const qint64 remainingNs = m_hideAtNs - ClockSource::current()->nanoseconds();
    if (remainingNs <= 0) {
        m_caption->setCaption(QString());
        if (m_covered)
            m_covered->show();
        return;
    }
    m_timer->start(int(qMin<qint64>((remainingNs + 999999) / 1000000, ClockCheckMilliseconds)));
}
