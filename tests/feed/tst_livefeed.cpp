// The live feed from a real board in this process to a real WebSocket client: every command and
// typed entry reaches the feed with the texts the board's displays show.

#include "bout.h"
#include "clocksource.h"
#include "feedserver.h"
#include "feedstate.h"
#include "frmscoreboard.h"
#include "livefeed.h"
#include "mmcontrol.h"
#include "recordingsound.h"
#include "segmentdisplay.h"
#include "settings.h"
#include "settingsstore.h"
#include "timekeeper.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

namespace {

constexpr int kJ = 74, kS = 83, kC = 67, kEnter = 13, kPoint = 190, kA = 65, kI = 73, kO = 79;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestLiveFeed : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<frmScoreboard> m_board;
    std::unique_ptr<QWebSocket> m_client;
    QJsonObject m_last;
    int m_messages = 0;

    frmScoreboard &board() { return *m_board; }
    TimeKeeper *engine(const char *name) { return board().findChild<TimeKeeper *>(name); }
    QString shown(const char *name)
    {
        return board().findChild<QWidget *>(name)->property("Text").toString().trimmed();
    }
    void advance(qint64 milliseconds)
    {
        for (qint64 done = 0; done < milliseconds; done += 50) {
            m_clock.advanceMilliseconds(std::min<qint64>(50, milliseconds - done));
            board().RefreshTime();
        }
    }
    void press(int keyCode)
    {
        board().AllKeyCode(keyCode);
        board().RefreshTime();
    }
    void type(const char *display, const QString &text)
    {
        for (QChar ch : text)
            key(display, ch == u'\n' ? kEnter : ch == u'.' ? kPoint : ch.unicode());
    }
    void key(const char *display, int keyCode)
    {
        emit board().findChild<SegmentDisplay *>(display)->KeyDown(keyCode, 0);
    }
    QStringList boardTexts()
    {
        QStringList texts;
        for (const char *name : {"tledPeriod", "tledJam", "tledHomePenalty1", "tledHomePenalty2",
                                 "tledVisitorPenalty1", "tledVisitorPenalty2", "nledHomeScore",
                                 "nledVisitorScore", "nledPeriod"})
            texts << shown(name);
        return texts;
    }
    QStringList feedTexts() const
    {
        const QJsonObject clocks = field("clocks").toObject();
        QStringList texts {clocks["period"]["text"].toString(), clocks["jam"]["text"].toString()};
        for (const char *side : {"home", "visitor"})
            for (const QJsonValue &penalty : field("penalties")[side].toArray())
                texts << penalty["text"].toString();
        texts << field("home/score").toString() << field("visitor/score").toString()
              << field("period").toString();
        return texts;
    }
    // GET /state.json, the body as JSON.
    QJsonObject stateNow()
    {
        QTcpSocket http;
        http.connectToHost(QHostAddress::LocalHost, settings().FeedPort);
        http.write("GET /state.json HTTP/1.1\r\n\r\n");
        QByteArray got;
        while (http.waitForReadyRead(5000))
            got += http.readAll();
        return QJsonDocument::fromJson(got.mid(got.indexOf("\r\n\r\n") + 4)).object();
    }
    // A value of the last message by its path: "clocks/jam/text", "penalties/home/0/ms".
    QJsonValue field(const QString &path) const
    {
        QJsonValue value = m_last;
        for (const QString &key : path.split(u'/')) {
            bool index = false;
            const int i = key.toInt(&index);
            value = index ? value.toArray().at(i) : value.toObject().value(key);
        }
        return value;
    }
    bool feedRunning(const char *clock) const { return field("clocks")[clock]["running"].toBool(); }

private slots:
    void initTestCase()
    {
        ClockSource::setCurrent(&m_clock);
        MMControl::setBackendFactory(
                [] { return std::unique_ptr<SoundBackend>(new RecordingSound); });
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        const quint16 port = freePort();
        Settings::instance().edit([port](SettingsModel &m) { m.FeedPort = port; });
        m_board = std::make_unique<frmScoreboard>();
        QSignalSpy listening(board().feed(), &LiveFeed::listening);
        QVERIFY(listening.wait());
        QCOMPARE(listening.first().first().value<quint16>(), port);

        m_client = std::make_unique<QWebSocket>();
        m_messages = 0;
        // As a page does, the client takes the bouts and passes over the keep-alives.
        connect(m_client.get(), &QWebSocket::textMessageReceived, this, [this](const QString &m) {
            const QJsonObject message = QJsonDocument::fromJson(m.toUtf8()).object();
            if (!message.contains(QLatin1String("format")))
                return;
            m_last = message;
            ++m_messages;
        });
        m_client->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(port)));
        QTRY_VERIFY(m_messages > 0);
    }

    void cleanup()
    {
        m_client.reset();
        m_board.reset();
    }

    void commandsAndTypingShowInTheFeed()
    {
        // The server runs apart from the board.
        QVERIFY(board().feed()->serverThread() != QThread::currentThread());
        QCOMPARE(field("format").toInt(), 1);
        // Stamped with the PC's wall clock, as docs/feed.md says.
        QVERIFY(qAbs(field("sentMs").toInteger() - QDateTime::currentMSecsSinceEpoch()) < 60000);
        QTRY_COMPARE(feedTexts(), boardTexts());
        QCOMPARE(feedTexts().first(), "10:00");

        press(kJ);
        QTRY_VERIFY(feedRunning("jam") && feedRunning("period"));
        advance(1000);
        QTRY_COMPARE(feedTexts(), boardTexts());
        QCOMPARE(field("clocks/period/text").toString(), "9:59");
        QCOMPARE(field("clocks/period/ms").toInteger(), qint64(599000));
        QCOMPARE(field("clocks/jam/ms").toInteger(), qint64(119000));
        press(kS);
        QTRY_VERIFY(!feedRunning("period"));

        // Typed entries, tenths below a minute, blank and counting penalty clocks.
        type("tledPeriod", "0.45\n");
        type("nledVisitorScore", "7\n");
        type("nledPeriod", "2");
        key("tledHomePenalty1", kA);
        key("tledHomePenalty1", kI);
        board().RefreshTime();
        QTRY_COMPARE(feedTexts(), boardTexts());
        QCOMPARE(feedTexts(), (QStringList {"45.0", "1:59", "1:30", "", "", "", "0", "7", "2"}));
        // The clock's start may come in a message after the one whose texts already match.
        QTRY_VERIFY(field("penalties/home/0/running").toBool());
        const QJsonObject penalty = field("penalties/home/0").toObject();
        QCOMPARE(penalty["ms"].toInteger(), qint64(90000));
        QVERIFY(!field("penalties/home/1/running").toBool());
        // The texts stay; /state.json has the clock's value as of the last refresh.
        advance(300);
        QTRY_COMPARE(feedTexts(), boardTexts());
        const QJsonObject now = stateNow();
        QCOMPARE(now["penalties"].toObject()["home"].toArray()[0].toObject()["ms"].toInteger(),
                 qint64(89700));
        // A client that comes now starts from the same, not from the last message sent.
        advance(100);
        const int sent = m_messages;
        QWebSocket late;
        QJsonObject first;
        connect(&late, &QWebSocket::textMessageReceived, this, [&first](const QString &m) {
            if (first.isEmpty())
                first = QJsonDocument::fromJson(m.toUtf8()).object();
        });
        late.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/feed").arg(settings().FeedPort)));
        QTRY_VERIFY(!first.isEmpty());
        QCOMPARE(m_messages, sent);
        QCOMPARE(first["penalties"].toObject()["home"].toArray()[0].toObject()["ms"].toInteger(),
                 qint64(89600));
        // Run past zero, as a penalty clock's engine does while its display holds 0:00 before it
        // blanks, it is sent as zero and stopped: a page counts it no further.
        m_clock.advanceMilliseconds(90000);
        board().RefreshTime();
        QTRY_COMPARE(feedTexts(), boardTexts());
        QCOMPARE(field("penalties/home/0/text").toString(), "0:00");
        QCOMPARE(field("penalties/home/0/ms").toInteger(), qint64(0));
        QCOMPARE(field("penalties/home/0/running").toBool(), false);
        QCOMPARE(stateNow()["penalties"].toObject()["home"].toArray()[0].toObject()["running"],
                 QJsonValue(false));
        // At rest, a stopped penalty clock showing, nothing changes: no message, even after a
        // second; the next change is the one message.
        key("tledHomePenalty1", kI);
        board().RefreshTime();
        QTRY_VERIFY(!field("penalties/home/0/running").toBool());
        QVERIFY(!feedRunning("jam") && !feedRunning("period"));
        const int messages = m_messages;
        QTest::qWait(1100);
        board().RefreshTime();
        type("nledHomeScore", "3\n");
        QTRY_COMPARE(field("home/score").toString(), "3");
        QCOMPARE(m_messages, messages + 1);

        // The time of day, in the locale's own form.
        board().setTimeOfDaySource([] { return QTime(14, 5); }, QLocale(QLocale::German));
        press(kC);
        QTRY_COMPARE(feedTexts().first(), "14:05");
        QVERIFY(field("clocks/period/timeOfDay").toBool());
        QCOMPARE(feedTexts(), boardTexts());
        // The period clock running behind it changes no text; its value still goes out a second on.
        press(kS);
        QTRY_VERIFY(feedRunning("period"));
        m_clock.advanceMilliseconds(1000);
        QTest::qWait(1100);
        board().RefreshTime();
        QTRY_COMPARE(field("clocks/period/ms").toInteger(), qint64(44000));
        // Stopped and set behind it, its new value goes out at once, though no text changed and
        // nothing runs that would carry it a second on.
        press(kS);
        QTRY_VERIFY(!feedRunning("period"));
        type("tledPeriod", "3.00\n");
        board().RefreshTime();
        QCOMPARE(feedTexts().first(), "14:05");
        QTRY_COMPARE(field("clocks/period/ms").toInteger(), qint64(180000));
        QCOMPARE(stateNow().value("clocks")["period"]["ms"].toInteger(), qint64(180000));

        // Names, title and colours follow the settings.
        Settings::instance().edit([](SettingsModel &m) {
            m.HomeText = QStringLiteral("Rollers");
            m.ScoreColor = 0x00123456;
        });
        QTRY_COMPARE(field("home/name").toString(), "Rollers");
        QCOMPARE(field("colors/led/score").toString(), "#563412");
        QCOMPARE(field("title").toString(), "Home");

        // Gone with the board: its clients are let go and its port is free again.
        const quint16 port = settings().FeedPort;
        m_board.reset();
        QTRY_COMPARE(m_client->state(), QAbstractSocket::UnconnectedState);
        QTcpServer again;
        QVERIFY(again.listen(QHostAddress::LocalHost, port));
    }

    // In the game flow the feed carries the phase and its caption, the flow clock in the slot that
    // shows it (counting up for an official timeout), the jam number, the counts and the third
    // penalty clocks; without it, two penalty clocks a side as before.
    void gameFlowShowsInTheFeed()
    {
        QTRY_COMPARE(field("penalties/home").toArray().size(), 2);
        QVERIFY(!field("gameFlow").toBool());
        QVERIFY(field("jamNumber").isUndefined());
        Settings::instance().edit([](SettingsModel &m) { m.GameFlow = true; });
        QTRY_VERIFY(field("gameFlow").toBool());
        QCOMPARE(field("penalties/visitor").toArray().size(), 3);
        QCOMPARE(field("jamNumber").toString(), "");
        for (const char *side : {"home/", "visitor/"}) {
            QCOMPARE(field(QString(side) + "timeouts").toString(), "3");
            QCOMPARE(field(QString(side) + "reviews").toString(), "1");
        }
        // At rest with the game flow on, nothing counting: no message, even after a second.
        const int messages = m_messages;
        QTest::qWait(1100);
        board().RefreshTime();
        QCOMPARE(m_messages, messages);

        press(kJ);
        advance(2000);
        press(kJ);
        advance(1000);
        // A message sent before the last second passed may come first: wait for the lineup's.
        QTRY_COMPARE(field("clocks/jam/text").toString(), "0:29");
        QCOMPARE(field("phase").toString(), "Lineup");
        QCOMPARE(field("caption/text").toString(), "Lineup");
        QCOMPARE(field("caption/over").toString(), "jam");
        QCOMPARE(field("jamNumber").toString(), "1");
        QCOMPARE(field("clocks/jam/text").toString(), shown("tledJam"));
        QCOMPARE(field("clocks/jam/ms").toInteger(), qint64(29000));
        QVERIFY(feedRunning("jam"));
        QVERIFY(field("clocks/jam/down").toBool());

        press(kO);
        advance(1000);
        QTRY_COMPARE(field("clocks/jam/text").toString(), "0:01");
        QCOMPARE(field("caption/text").toString(), "Official Timeout");
        QCOMPARE(field("clocks/jam/ms").toInteger(), qint64(1000));
        QVERIFY(!field("clocks/jam/down").toBool());
        QVERIFY(!feedRunning("period"));
        QVERIFY(field("clocks/period/down").toBool()); // the period's own clock still counts down
        // The timeout's clock alone counting, /state.json has it as of the last refresh too.
        advance(300);
        QCOMPARE(stateNow()["clocks"].toObject()["jam"].toObject()["ms"].toInteger(), qint64(1300));

        key("tledVisitorPenalty3", kA);
        board().RefreshTime();
        QTRY_COMPARE(field("penalties/visitor/2/text").toString(), "1:30");
        QCOMPARE(field("penalties/visitor/2/ms").toInteger(), qint64(90000));
        QCOMPARE(field("penalties/home/2/text").toString(), "");
    }

    void portFollowsTheSettings()
    {
        // A port already taken is told in the notice, and the board runs on.
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        QSignalSpy problem(board().feed(), &LiveFeed::problem);
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = taken.serverPort(); });
        QVERIFY(problem.wait());
        QCOMPARE(problem.size(), 1);
        QCOMPARE(problem.first().first().toString(),
                 QString("The live feed cannot use port %1 (another program uses it); it keeps "
                         "trying.")
                         .arg(taken.serverPort()));
        QCOMPARE(board().feed()->trouble(), problem.first().first().toString());
        QTRY_VERIFY(board().findChild<QWidget *>("lblNotice")
                            ->property("Caption")
                            .toString()
                            .contains(QString::number(taken.serverPort())));
        QTRY_VERIFY(m_client->state() == QAbstractSocket::UnconnectedState);

        // Tried again quietly while the port is taken, and taken up once the other program lets
        // it go, which is told too.
        QSignalSpy listening(board().feed(), &LiveFeed::listening);
        QSignalSpy over(board().feed(), &LiveFeed::problemOver);
        QTest::qWait(FeedServer::RetryMs + 500);
        QCOMPARE(problem.size(), 1);
        const quint16 freed = taken.serverPort();
        // Options, open meanwhile, says so under the address, and no more once the feed is on.
        QString before, after;
        QTimer::singleShot(0, &board(), [&] {
            if (QWidget *options = QApplication::activeModalWidget()) {
                const auto *addresses = options->findChild<QLabel *>("lblFeedAddresses");
                before = addresses->text();
                taken.close();
                const bool on = QTest::qWaitFor([&] { return !listening.isEmpty(); },
                                                3 * FeedServer::RetryMs);
                after = on ? addresses->text() : QStringLiteral("(not on)");
                options->close();
            }
        });
        QTest::keyClick(&board(), Qt::Key_F2);
        QVERIFY2(before.endsWith("/\n" + problem.first().first().toString()), qPrintable(before));
        QCOMPARE(after, QString("Open in a browser: http://127.0.0.1:%1/").arg(freed));
        QVERIFY(!listening.isEmpty() || listening.wait(3 * FeedServer::RetryMs));
        QCOMPARE(listening.takeFirst().first().value<quint16>(), freed);
        QCOMPARE(problem.size(), 1);
        QCOMPARE(over.size(), 1);
        QCOMPARE(over.first().first(), problem.first().first());
        QCOMPARE(board().feed()->trouble(), QString());
        QCOMPARE(over.first().last().toString(),
                 QString("The live feed is on at port %1 now.").arg(freed));

        // Moved to a free port it serves again; port 0 turns it off.
        const quint16 port = freePort();
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = port; });
        QVERIFY(listening.wait());
        listening.clear();
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = 0; });
        // The server closes on its own thread: soon, not at once.
        const auto refused = [&] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            probe.waitForConnected(1000);
            return probe.error() == QAbstractSocket::ConnectionRefusedError;
        };
        QTRY_VERIFY(refused());
        QCOMPARE(problem.size(), 1);
        QCOMPARE(over.size(), 1);
        // Off, not on at some port the system picks.
        QTest::qWait(200);
        QVERIFY(listening.isEmpty());

        // A port taken, then the feed turned off or moved while it waits for it: the words that
        // it cannot use the port hold no more, for Options to show.
        QTcpServer held;
        QVERIFY(held.listen(QHostAddress::LocalHost, 0));
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = held.serverPort(); });
        QVERIFY(problem.wait());
        QVERIFY(!board().feed()->trouble().isEmpty());
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = 0; });
        QCOMPARE(board().feed()->trouble(), QString());
    }

    // This PC alone by default; every interface for the venue's network.
    void listensWhereTheSettingsSay()
    {
        QHostAddress other;
        for (const QHostAddress &address : QNetworkInterface::allAddresses())
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
                other = address;
        if (other.isNull())
            QSKIP("This machine has no address but the loopback one.");
        const quint16 port = settings().FeedPort;
        const auto reached = [&] {
            QTcpSocket probe;
            probe.connectToHost(other, port);
            return probe.waitForConnected(5000);
        };
        QVERIFY(!reached());
        QSignalSpy listening(board().feed(), &LiveFeed::listening);
        Settings::instance().edit([](SettingsModel &m) { m.FeedListen = "network"; });
        QVERIFY(listening.wait());
        QVERIFY(reached());
        Settings::instance().edit([](SettingsModel &m) { m.FeedListen = "local"; });
        QVERIFY(listening.wait());
        QVERIFY(!reached());
    }
};

QTEST_MAIN(TestLiveFeed)
#include "tst_livefeed.moc"
