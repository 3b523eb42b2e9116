// The feed's pages in real headless Chromium against the real program, driven with real keys on
// a real X server: each page shows what the program's feed says the board shows, follows a jam
// started with J, and takes the bout up again when the program is restarted. The bout goes on
// from row to row, as the program resumes it.
//
// CORVANTA_FEED_SCREENSHOTS names a folder for a picture of each page at 1920 x 1080.

#include "headlessbrowser.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

namespace {

constexpr int kWaitMs = 15000;

} // namespace

class tst_FeedPagesProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pageFollowsTheBoard_data();
    void pageFollowsTheBoard();
    void pageTakesUpARestartedProgram();

private:
    void startBoard();
    QString state();
    QString text(const QString &id);
    QString xdotool(const QStringList &arguments);

    // Selects a display as the operator does, with a click at a point inside it on the board at
    // its designed size, and presses keys there.
    void press(int x, int y, const QStringList &keys);

    QString m_window;
    QString m_program;
    quint16 m_port = 0;
    QProcess m_board;
    HeadlessBrowser *m_browser = nullptr;
};

void tst_FeedPagesProgram::initTestCase()
{
    if (QProcess::execute("xdotool", {"version"}) != 0)
        QSKIP("needs xdotool");
    m_program = QCoreApplication::applicationDirPath() + "/corvanta";
    QVERIFY(QFile::exists(m_program));
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY2(!config.isEmpty(), "runs only with a settings folder of its own");
    // A port free now, for the feed on this PC only.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    m_port = probe.serverPort();
    probe.close();
    QVERIFY(QDir().mkpath(config + "/Corvanta"));
    QFile settings(config + "/Corvanta/Corvanta.conf");
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[FeedSettings]\nFeedPort=" + QByteArray::number(m_port)
                   + "\nFeedListen=local\n");
    settings.close();
    m_board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

void tst_FeedPagesProgram::init()
{
    m_browser = new HeadlessBrowser;
    if (!m_browser->start())
        QSKIP(qPrintable("Headless Chromium cannot run here: " + m_browser->why()));
    startBoard();
}

void tst_FeedPagesProgram::cleanup()
{
    delete m_browser;
    m_browser = nullptr;
    if (m_board.state() != QProcess::NotRunning) {
        m_board.kill();
        m_board.waitForFinished(10000);
    }
}

QString tst_FeedPagesProgram::xdotool(const QStringList &arguments)
{
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
        QTest::qFail(qPrintable("xdotool " + arguments.join(' ')), __FILE__, __LINE__);
    return QString::fromLatin1(xdotool.readAllStandardOutput()).trimmed();
}

void tst_FeedPagesProgram::startBoard()
{
    m_board.start(m_program, {"bypass"});
    QVERIFY(m_board.waitForStarted(10000));
    m_window = xdotool({"search", "--sync", "--onlyvisible", "--pid",
                        QString::number(m_board.processId()), "--name", "^Corvanta$"})
                       .section('\n', 0, 0);
    xdotool({"windowfocus", "--sync", m_window});
}

void tst_FeedPagesProgram::press(int x, int y, const QStringList &keys)
{
    xdotool({"mousemove", "--window", m_window, QString::number(x), QString::number(y), "click",
             "1"});
    xdotool(QStringList {"key", "--delay", "0"} + keys);
}

QString tst_FeedPagesProgram::state()
{
    return m_browser->evaluate("document.documentElement.getAttribute('data-feed-state')")
            .toString();
}

QString tst_FeedPagesProgram::text(const QString &id)
{
    return m_browser
            ->evaluate(QString("(document.getElementById('%1') || {getAttribute: () => null})"
                               ".getAttribute('data-text')")
                               .arg(id))
            .toString();
}

void tst_FeedPagesProgram::pageFollowsTheBoard_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("clocks"); // whether the page has the period and jam clocks
    QTest::newRow("audience board") << "/" << true;
    QTest::newRow("penalty box") << "/penalties" << false;
    QTest::newRow("overlay") << "/overlay" << true;
}

void tst_FeedPagesProgram::pageFollowsTheBoard()
{
    QFETCH(QString, path);
    QFETCH(bool, clocks);
    const QString url = QString("http://127.0.0.1:%1").arg(m_port);
    QVERIFY(m_browser->open(url + path, 1920, 1080));
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    if (path == "/") {
        // Typed scores and a penalty added show in the page.
        press(115, 113, {"1", "2", "Return"});
        press(516, 113, {"7", "Return"});
        press(115, 335, {"a"});
        QTRY_COMPARE_WITH_TIMEOUT(text("home-score"), QString("12"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(text("visitor-score"), QString("7"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(text("home-penalty-1"), QString("1:30"), kWaitMs);
    }

    // Every display as the feed says the board shows it (the clocks stand still between rows).
    const QJsonObject bout = QJsonDocument::fromJson(
                                     m_browser->evaluate("fetch('/state.json').then(r => r.text())")
                                             .toString()
                                             .toUtf8())
                                     .object();
    QCOMPARE(bout["format"].toInt(), 1);
    QCOMPARE(text("home-name"), bout["home"]["name"].toString());
    QCOMPARE(text("visitor-name"), bout["visitor"]["name"].toString());
    if (path != "/overlay") {
        const QJsonObject penalties = bout["penalties"].toObject();
        for (int i = 0; i < 2; ++i) {
            const QString number = QString::number(i + 1);
            QCOMPARE(text("home-penalty-" + number), penalties["home"][i]["text"].toString());
            QCOMPARE(text("visitor-penalty-" + number), penalties["visitor"][i]["text"].toString());
        }
    }
    if (clocks) {
        QCOMPARE(text("home-score"), bout["home"]["score"].toString());
        QCOMPARE(text("visitor-score"), bout["visitor"]["score"].toString());
        QCOMPARE(text("period-number"), bout["period"].toString());
        QCOMPARE(text("period-clock"), bout["clocks"]["period"]["text"].toString());
        QCOMPARE(text("jam-clock"), bout["clocks"]["jam"]["text"].toString());
    }
    const QString dir = qEnvironmentVariable("CORVANTA_FEED_SCREENSHOTS");
    if (!dir.isEmpty())
        m_browser->screenshot().save(
                QDir(dir).filePath(QString(QTest::currentDataTag()).replace(' ', '-') + ".png"));
    if (!clocks)
        return;

    // J starts the jam (and the period); the page follows and counts on.
    const QString before = m_browser
                                   ->evaluate("document.documentElement.getAttribute("
                                              "'data-feed-messages')")
                                   .toString();
    xdotool({"key", "j"});
    QTRY_VERIFY_WITH_TIMEOUT(m_browser
                                     ->evaluate("document.getElementById('jam-clock')"
                                                ".classList.contains('running')")
                                     .toBool(),
                             kWaitMs);
    QVERIFY(m_browser->evaluate("document.documentElement.getAttribute('data-feed-messages')")
                    .toString()
            != before);
    qInfo("J applied in the page %s ms after the message arrived",
          qPrintable(m_browser
                             ->evaluate("document.documentElement.getAttribute("
                                        "'data-feed-apply-ms')")
                             .toString()));
    const QString jam = bout["clocks"]["jam"]["text"].toString();
    const QString period = bout["clocks"]["period"]["text"].toString();
    QTRY_VERIFY_WITH_TIMEOUT(text("jam-clock") != jam, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(text("period-clock") != period, kWaitMs);

    // J again stops it; the page stops where the board stopped.
    xdotool({"key", "j"});
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser
                                      ->evaluate("document.getElementById('jam-clock')"
                                                 ".classList.contains('running')")
                                      .toBool(),
                             kWaitMs);
    const QJsonObject stopped
            = QJsonDocument::fromJson(
                      m_browser->evaluate("fetch('/state.json').then(r => r.text())")
                              .toString()
                              .toUtf8())
                      .object();
    QCOMPARE(text("jam-clock"), stopped["clocks"]["jam"]["text"].toString());

    // The period clock runs on after the jam: S stops it, so that the next row finds every clock
    // standing still.
    xdotool({"key", "s"});
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser
                                      ->evaluate("document.getElementById('period-clock')"
                                                 ".classList.contains('running')")
                                      .toBool(),
                             kWaitMs);
}

void tst_FeedPagesProgram::pageTakesUpARestartedProgram()
{
    const QString url = QString("http://127.0.0.1:%1").arg(m_port);
    QVERIFY(m_browser->open(url + "/", 1280, 720));
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    xdotool({"key", "j"});
    QTRY_VERIFY_WITH_TIMEOUT(text("jam-clock") != "2:00", kWaitMs);

    m_board.kill();
    QVERIFY(m_board.waitForFinished(10000));
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("lost"), kWaitMs);
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), false);

    // The resumed bout comes back with its jam running.
    startBoard();
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    QVERIFY(m_browser
                    ->evaluate("document.getElementById('jam-clock').classList.contains('running')")
                    .toBool());
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), true);
}

QTEST_GUILESS_MAIN(tst_FeedPagesProgram)
#include "tst_feedpagesprogram.moc"
