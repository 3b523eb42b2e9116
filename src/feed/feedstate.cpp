#include "feedstate.h"

#include "settingsmodel.h"
#include "timekeeper.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QJsonObject clock(const QString &text, const TimeKeeper *engine)
{
    return {{QStringLiteral("text"), text},
            {QStringLiteral("running"), engine->isRunning()},
            {QStringLiteral("down"), true}};
}

QJsonObject team(const QString &name, const QString &score)
{
    return {{QStringLiteral("name"), name}, {QStringLiteral("score"), score}};
}

qint64 milliseconds(const TimeKeeper *engine)
{
    // Ticks are ten-thousandths of a second; a clock below zero is sent as zero.
    return std::max<qint64>(0, engine->ticks() / 10);
}

void putMilliseconds(QJsonObject &clockObject, const TimeKeeper *engine)
{
    clockObject.insert(QStringLiteral("ms"), milliseconds(engine));
}

} // namespace

namespace FeedState {

QString cssColor(qint32 color)
{
    const quint32 c = quint32(color);
    return QStringLiteral("#%1%2%3")
            .arg(c & 0xff, 2, 16, QLatin1Char('0'))
            .arg((c >> 8) & 0xff, 2, 16, QLatin1Char('0'))
            .arg((c >> 16) & 0xff, 2, 16, QLatin1Char('0'));
}

QJsonObject shown(const Bout &bout, const SettingsModel &s, const BoutReadout::Texts &texts)
{
    QJsonObject period = clock(texts.period, bout.periodEngine());
    period.insert(QStringLiteral("timeOfDay"), bout.clockTime());
    QJsonObject penalties;
    for (int side = 0; side < 2; ++side) {
        QJsonArray clocks;
        for (int i = side * 2; i < side * 2 + 2; ++i) {
            QJsonObject penalty = clock(texts.penalties[size_t(i)], bout.penaltyEngine(i));
            // A blank penalty clock neither counts nor shows.
            if (bout.isPenaltyBlank(i))
                penalty.insert(QStringLiteral("running"), false);
            clocks.append(penalty);
        }
        penalties.insert(side == 0 ? QStringLiteral("home") : QStringLiteral("visitor"), clocks);
    }
    const QJsonObject led {{QStringLiteral("period"), cssColor(s.TimeColor)},
                           {QStringLiteral("jam"), cssColor(s.TimeColor)},
                           {QStringLiteral("score"), cssColor(s.ScoreColor)},
                           {QStringLiteral("periodNumber"), cssColor(s.PeriodColor)},
                           {QStringLiteral("penalty"), cssColor(s.ScoreColor)}};
    const QJsonObject colors {{QStringLiteral("back"), cssColor(s.FormBack)},
                              {QStringLiteral("ledBack"), cssColor(s.LEDBack)},
                              {QStringLiteral("led"), led},
                              {QStringLiteral("text"), cssColor(s.HomeColor)},
                              {QStringLiteral("home"), cssColor(s.HomeColor)},
                              {QStringLiteral("visitor"), cssColor(s.VisitorColor)},
                              {QStringLiteral("border"), cssColor(s.BorderColor)}};
    return {{QStringLiteral("format"), Format},
            {QStringLiteral("title"), s.TitleText},
            {QStringLiteral("home"), team(s.HomeText, texts.homeScore)},
            {QStringLiteral("visitor"), team(s.VisitorText, texts.visitorScore)},
            {QStringLiteral("period"), texts.periodNumber},
            {QStringLiteral("clocks"),
             QJsonObject {{QStringLiteral("period"), period},
                          {QStringLiteral("jam"), clock(texts.jam, bout.jamEngine())}}},
            {QStringLiteral("penalties"), penalties},
            {QStringLiteral("colors"), colors}};
}

QByteArray message(const Bout &bout, const QJsonObject &shown, qint64 sentMs)
{
    QJsonObject m = shown;
    m.insert(QStringLiteral("sentMs"), sentMs);
    QJsonObject clocks = m.value(QStringLiteral("clocks")).toObject();
    for (const auto &[name, engine] : {std::pair {QStringLiteral("period"), bout.periodEngine()},
                                       std::pair {QStringLiteral("jam"), bout.jamEngine()}}) {
        QJsonObject c = clocks.value(name).toObject();
        putMilliseconds(c, engine);
        clocks.insert(name, c);
    }
    m.insert(QStringLiteral("clocks"), clocks);
    QJsonObject penalties = m.value(QStringLiteral("penalties")).toObject();
    for (int side = 0; side < 2; ++side) {
        const QString key = side == 0 ? QStringLiteral("home") : QStringLiteral("visitor");
        QJsonArray list = penalties.value(key).toArray();
        for (int i = 0; i < 2; ++i) {
            QJsonObject p = list.at(i).toObject();
            const int penalty = side * 2 + i;
            p.insert(QStringLiteral("ms"),
                     bout.isPenaltyBlank(penalty) ? 0 : milliseconds(bout.penaltyEngine(penalty)));
            list.replace(i, p);
        }
        penalties.insert(key, list);
    }
    m.insert(QStringLiteral("penalties"), penalties);
    return QJsonDocument(m).toJson(QJsonDocument::Compact);
}

} // namespace FeedState
