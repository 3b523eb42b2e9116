#include "feedstate.h"

#include "settingsmodel.h"
#include "timekeeper.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaEnum>

namespace {

QJsonObject clock(const QString &text, const TimeKeeper *engine, bool down = true)
{
    return {{QStringLiteral("text"), text},
            {QStringLiteral("running"), engine->isRunning()},
            {QStringLiteral("down"), down}};
}

// The engine whose time a slot shows: the flow clock's in the phases that show it there.
const TimeKeeper *periodSlot(const Bout &bout)
{
    return BoutReadout::periodShowsFlow(bout) ? bout.flowEngine() : bout.periodEngine();
}

const TimeKeeper *jamSlot(const Bout &bout)
{
    return BoutReadout::jamShowsFlow(bout) ? bout.flowEngine() : bout.jamEngine();
}

// The penalty clocks a side shows: two, and the jammer's third in the game flow.
QList<int> penaltiesOf(const Bout &bout, int side)
{
    QList<int> penalties {side * 2, side * 2 + 1};
    if (bout.gameFlow())
        penalties.append(4 + side);
    return penalties;
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

} // namespace

namespace FeedState {

QString cssColor(qint32 color)
{
    // Written out by hand: the feed asks for a dozen of these at every refresh.
    static constexpr char kDigits[] = "0123456789abcdef";
    const quint32 c = quint32(color);
    QChar text[7] {QLatin1Char('#')};
    for (int channel = 0; channel < 3; ++channel) {
        const quint32 value = (c >> (8 * channel)) & 0xff;
        text[1 + 2 * channel] = QLatin1Char(kDigits[value >> 4]);
        text[2 + 2 * channel] = QLatin1Char(kDigits[value & 0xf]);
    }
    return QString(text, 7);
}

QJsonObject shown(const Bout &bout, const SettingsModel &s, const BoutReadout::Texts &texts)
{
    const bool flowUp = bout.flowCountsUp();
    QJsonObject period = clock(texts.period, periodSlot(bout),
                               !(BoutReadout::periodShowsFlow(bout) && flowUp));
    period.insert(QStringLiteral("timeOfDay"), bout.clockTime());
    QJsonObject penalties;
    for (int side = 0; side < 2; ++side) {
        QJsonArray clocks;
        for (int i : penaltiesOf(bout, side)) {
            QJsonObject penalty = clock(texts.penalties[size_t(i)], bout.penaltyEngine(i));
            penalty.insert(QStringLiteral("running"), penaltyCounts(bout, i));
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
    QJsonObject home = team(s.HomeText, texts.homeScore);
    QJsonObject visitor = team(s.VisitorText, texts.visitorScore);
    QJsonObject result {{QStringLiteral("format"), Format},
                        {QStringLiteral("title"), s.TitleText},
                        {QStringLiteral("period"), texts.periodNumber},
                        {QStringLiteral("clocks"),
                         QJsonObject {{QStringLiteral("period"), period},
                                      {QStringLiteral("jam"),
                                       clock(texts.jam, jamSlot(bout),
                                             !(BoutReadout::jamShowsFlow(bout) && flowUp))}}},
                        {QStringLiteral("penalties"), penalties},
                        {QStringLiteral("colors"), colors},
                        {QStringLiteral("gameFlow"), bout.gameFlow()}};
    if (bout.gameFlow()) {
        // Where the phase's caption stands: over the slot that counts its clock.
        const Bout::Phase phase = bout.phase();
        const bool overPeriod = BoutReadout::periodShowsFlow(bout) || phase == Bout::Final;
        result.insert(QStringLiteral("phase"),
                      QString::fromLatin1(QMetaEnum::fromType<Bout::Phase>().valueToKey(phase)));
        result.insert(QStringLiteral("caption"),
                      QJsonObject {{QStringLiteral("text"), texts.caption},
                                   {QStringLiteral("over"),
                                    texts.caption.isEmpty() ? QString()
                                            : overPeriod    ? QStringLiteral("period")
                                                            : QStringLiteral("jam")}});
        result.insert(QStringLiteral("jamNumber"), texts.jamNumber);
        home.insert(QStringLiteral("timeouts"), texts.homeTimeouts);
        home.insert(QStringLiteral("reviews"), texts.homeReviews);
        visitor.insert(QStringLiteral("timeouts"), texts.visitorTimeouts);
        visitor.insert(QStringLiteral("reviews"), texts.visitorReviews);
    }
    result.insert(QStringLiteral("home"), home);
    result.insert(QStringLiteral("visitor"), visitor);
    return result;
}

bool penaltyCounts(const Bout &bout, int penalty)
{
    const TimeKeeper *engine = bout.penaltyEngine(penalty);
    return !bout.isPenaltyBlank(penalty) && engine->isRunning() && engine->ticks() > 0;
}

Values values(const Bout &bout, const QJsonObject &shown, qint64 sentMs)
{
    Values v {shown, milliseconds(periodSlot(bout)), milliseconds(jamSlot(bout)), {}, sentMs};
    for (int side = 0; side < 2; ++side)
        for (int penalty : penaltiesOf(bout, side))
            v.penaltyMs[side].append(
                    bout.isPenaltyBlank(penalty) ? 0 : milliseconds(bout.penaltyEngine(penalty)));
    return v;
}

QByteArray message(const Values &v)
{
    QJsonObject m = v.shown;
    m.insert(QStringLiteral("sentMs"), v.sentMs);
    QJsonObject clocks = m.value(QStringLiteral("clocks")).toObject();
    for (const auto &[name, ms] : {std::pair {QStringLiteral("period"), v.periodMs},
                                   std::pair {QStringLiteral("jam"), v.jamMs}}) {
        QJsonObject c = clocks.value(name).toObject();
        c.insert(QStringLiteral("ms"), ms);
        clocks.insert(name, c);
    }
    m.insert(QStringLiteral("clocks"), clocks);
    QJsonObject penalties = m.value(QStringLiteral("penalties")).toObject();
    for (int side = 0; side < 2; ++side) {
        const QString key = side == 0 ? QStringLiteral("home") : QStringLiteral("visitor");
        QJsonArray list = penalties.value(key).toArray();
        for (int i = 0; i < int(v.penaltyMs[side].size()) && i < list.size(); ++i) {
            QJsonObject p = list.at(i).toObject();
            p.insert(QStringLiteral("ms"), v.penaltyMs[side][i]);
            list.replace(i, p);
        }
        penalties.insert(key, list);
    }
    m.insert(QStringLiteral("penalties"), penalties);
    return QJsonDocument(m).toJson(QJsonDocument::Compact);
}

} // namespace FeedState
