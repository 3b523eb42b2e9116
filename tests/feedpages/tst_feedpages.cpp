// The feed's pages in real headless Chromium, fed by a stand-in server that plays scripted
// messages: what each page shows, from its DOM and from a screenshot; clocks counted on between
// messages by the board's readout rule; a lost feed shown plainly and a restarted one taken up.

#include "headlessbrowser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kWaitMs = 15000;

QJsonObject clock(const QString &text, double ms, bool running)
{
    return {{"text", text}, {"ms", ms}, {"running", running}, {"down", true}};
}

// A bout as the program sends it, with a field no page knows.
QJsonObject bout(const QString &homeScore = "12", bool running = false)
{
    // Each a colour of its own, as the program sends them: text is the home colour.
    QJsonObject colors {{"back", "#404040"},
                        {"text", "#e0e020"},
                        {"home", "#e0e020"},
                        {"visitor", "#c040c0"},
                        {"border", "#30c030"},
                        {"led",
                         QJsonObject {{"period", "#ff8000"},
                                      {"jam", "#ff8000"},
                                      {"score", "#20e0ff"},
                                      {"periodNumber", "#00c000"},
                                      {"penalty", "#ff8000"}}}};
    return {{"format", 1},
            {"title", "Derby Night"},
            {"home", QJsonObject {{"name", "Rollers"}, {"score", homeScore}}},
            {"visitor", QJsonObject {{"name", "Jammers"}, {"score", "7"}}},
            {"period", "1"},
            {"clocks",
             QJsonObject {{"period", clock("9:57", 597000, running)},
                          {"jam", clock("1:57", 117000, running)}}},
            {"penalties",
             QJsonObject {
                     {"home", QJsonArray {clock("1:30", 90000, running), clock("", 0, false)}},
                     {"visitor", QJsonArray {clock("0:45", 45000, running), clock("", 0, false)}}}},
            {"colors", colors},
            {"lineup", QJsonObject {{"home", 3}}}};
}

// The same bout in the game flow: a home timeout in the jam slot, counting down, the jam number,
// the counts and a third penalty clock a side.
QJsonObject flowBout()
{
    QJsonObject message = bout();
    message.insert("gameFlow", true);
    message.insert("phase", "HomeTimeout");
    message.insert("caption", QJsonObject {{"text", "Home Timeout"}, {"over", "jam"}});
    message.insert("jamNumber", "14");
    message.insert(
            "home",
            QJsonObject {
                    {"name", "Rollers"}, {"score", "12"}, {"timeouts", "2"}, {"reviews", "1"}});
    message.insert(
            "visitor",
            QJsonObject {{"name", "Jammers"}, {"score", "7"}, {"timeouts", "3"}, {"reviews", "0"}});
    QJsonObject clocks = message["clocks"].toObject();
    clocks.insert("jam", clock("0:42", 42000, false));
    message.insert("clocks", clocks);
    message.insert("penalties",
                   QJsonObject {{"home",
                                 QJsonArray {clock("1:30", 90000, false), clock("", 0, false),
                                             clock("0:20", 20000, false)}},
                                {"visitor",
                                 QJsonArray {clock("0:45", 45000, false), clock("", 0, false),
                                             clock("", 0, false)}}});
    return message;
}

QJsonObject send(const QJsonObject &message)
{
    return {{"send", message}};
}

} // namespace

class tst_FeedPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pageShowsTheBout_data();
    void pageShowsTheBout();
    void readoutFollowsTheBoard_data();
    void readoutFollowsTheBoard();
    void followsMessagesAndCountsOn();
    void showsALostFeedAndReconnects();
    void longNamesShowWhole_data();
    void longNamesShowWhole();
    void rightToLeftNames_data();
    void rightToLeftNames();

private:
    // Starts the stand-in server playing script (one list of steps per connection); its URL.
    QString serve(const QList<QJsonArray> &script);
    QString text(const QString &id);
    QString signal(const QString &name) { return m_dir.filePath(name); }
    void raise(const QString &name);

    QTemporaryDir m_dir;
    QProcess m_stub;
    HeadlessBrowser *m_browser = nullptr;
};

void tst_FeedPages::init()
{
    m_browser = new HeadlessBrowser;
    if (!m_browser->start())
        QSKIP(qPrintable("Headless Chromium cannot run here: " + m_browser->why()));
}

void tst_FeedPages::cleanup()
{
    delete m_browser;
    m_browser = nullptr;
    if (m_stub.state() != QProcess::NotRunning) {
        m_stub.kill();
        m_stub.waitForFinished(5000);
    }
}

QString tst_FeedPages::serve(const QList<QJsonArray> &connections)
{
    QJsonArray script;
    for (const QJsonArray &steps : connections)
        script.append(steps);
    QFile file(m_dir.filePath("script.json"));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QJsonDocument(script).toJson());
    file.close();
    m_stub.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_stub.start("python3", {FEED_STUB, FEED_PAGES, file.fileName()});
    if (!m_stub.waitForReadyRead(kWaitMs))
        return {};
    const QByteArray port = m_stub.readLine().trimmed();
    return "http://127.0.0.1:" + QString::fromLatin1(port);
}

QString tst_FeedPages::text(const QString &id)
{
    return m_browser
            ->evaluate(QString("(document.getElementById('%1') || {getAttribute: () => null})"
                               ".getAttribute('data-text')")
                               .arg(id))
            .toString();
}

void tst_FeedPages::raise(const QString &name)
{
    QFile file(signal(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_FeedPages::pageShowsTheBout_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("shown"); // element id=text, for every display the page has
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("gameFlow");
    const QStringList penalties {"home-penalty-1=1:30", "home-penalty-2=", "visitor-penalty-1=0:45",
                                 "visitor-penalty-2="};
    const QStringList teams {"home-name=Rollers", "visitor-name=Jammers"};
    const QStringList scoring {"home-score=12", "visitor-score=7", "period-number=1",
                               "period-clock=9:57", "jam-clock=1:57"};
    QTest::newRow("audience board")
            << "/" << QStringList(teams + scoring + penalties + QStringList {"title=Derby Night"})
            << false << false;
    QTest::newRow("penalty box") << "/penalties" << QStringList(teams + penalties) << false
                                 << false;
    QTest::newRow("overlay") << "/overlay" << QStringList(teams + scoring) << true << false;
    QTest::newRow("audience board, game flow")
            << "/" << QStringList {"home-score=12",      "jam-clock=0:42",
                                   "jam-number=14",      "jam-caption=Home Timeout",
                                   "period-caption=",    "home-timeouts=2",
                                   "home-reviews=1",     "visitor-timeouts=3",
                                   "visitor-reviews=0",  "home-penalty-3=0:20",
                                   "visitor-penalty-3=", "home-penalty-1=1:30"}
            << false << true;
    QTest::newRow("overlay, game flow")
            << "/overlay"
            << QStringList {"jam-clock=0:42", "jam-number=14", "jam-caption=Home Timeout",
                            "period-caption="}
            << true << true;
    QTest::newRow("penalty box, game flow")
            << "/penalties" << QStringList {"home-penalty-3=0:20", "visitor-penalty-3="} << false
            << true;
}

void tst_FeedPages::pageShowsTheBout()
{
    QFETCH(QString, path);
    QFETCH(QStringList, shown);
    QFETCH(bool, transparent);
    QFETCH(bool, gameFlow);
    const QString url = serve({QJsonArray {send(gameFlow ? flowBout() : bout())}});
    QVERIFY(!url.isEmpty());
    QVERIFY(m_browser->open(url + path, 1920, 1080));
    QTRY_COMPARE_WITH_TIMEOUT(
            m_browser->evaluate("document.documentElement.getAttribute('data-feed-state')")
                    .toString(),
            QString("live"), kWaitMs);
    for (const QString &pair : shown) {
        const QString id = pair.section('=', 0, 0);
        QCOMPARE(text(id), pair.section('=', 1));
    }
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), true);
    // The team names in their own colours; the title and every word the board writes in its
    // border colour, as the board does.
    const auto colors = [this](const QString &selector) {
        return m_browser
                ->evaluate(QString("Array.from(document.querySelectorAll('%1'))"
                                   ".map(e => getComputedStyle(e).color).join()")
                                   .arg(selector))
                .toString()
                .split(',', Qt::SkipEmptyParts);
    };
    if (!transparent) {
        QCOMPARE(colors("#home-name"), QStringList({"rgb(224", " 224", " 32)"}));
        QCOMPARE(colors("#visitor-name"), QStringList({"rgb(192", " 64", " 192)"}));
        const QStringList words = colors("#title, .caption, .counts, .phase");
        QCOMPARE(words.isEmpty(), path != "/"); // the penalty box has no words
        for (int i = 0; i < words.size(); i += 3)
            QCOMPARE(words.mid(i, 3), QStringList({"rgb(48", " 192", " 48)"}));
    }
    // What only the game flow shows is there with it and gone without it.
    QCOMPARE(m_browser->evaluate("document.querySelectorAll('[data-flow]:not([hidden])').length")
                             .toInt()
                     > 0,
             gameFlow);

    // A blank penalty clock keeps the outline of a shown one, as the board's unlit 8:88 does: its
    // box is as wide, and does not jump when a penalty starts or clears.
    auto boxWidth = [this](const QString &id) {
        return m_browser
                ->evaluate(QString("document.getElementById('%1').parentElement"
                                   ".getBoundingClientRect().width")
                                   .arg(id))
                .toDouble();
    };
    QString shownPenalty;
    for (const QString &pair : shown)
        if (pair.contains("-penalty-") && !pair.endsWith('='))
            shownPenalty = pair.section('=', 0, 0);
    for (const QString &pair : shown) {
        if (pair.contains("-penalty-") && pair.endsWith('=')) {
            QVERIFY(!shownPenalty.isEmpty());
            QVERIFY(boxWidth(shownPenalty) > 0);
            QCOMPARE(boxWidth(pair.section('=', 0, 0)), boxWidth(shownPenalty));
        }
    }

    // The picture: lit segments in the message's colours where a display shows something, none
    // where it is blank, and nothing but the bar on the overlay.
    const QImage image = m_browser->screenshot().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(1920, 1080));
    auto litIn = [&](const QString &id, QRgb color) {
        const QJsonObject r
                = QJsonDocument::fromJson(m_browser
                                                  ->evaluate(QString("JSON.stringify(document."
                                                                     "getElementById('%1')."
                                                                     "getBoundingClientRect())")
                                                                     .arg(id))
                                                  .toString()
                                                  .toUtf8())
                          .object();
        const QRect rect = QRect(int(r["x"].toDouble()), int(r["y"].toDouble()),
                                 int(r["width"].toDouble()), int(r["height"].toDouble()))
                                   .intersected(image.rect());
        int lit = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QRgb p = image.pixel(x, y);
                lit += qAbs(qRed(p) - qRed(color)) < 24 && qAbs(qGreen(p) - qGreen(color)) < 24
                        && qAbs(qBlue(p) - qBlue(color)) < 24;
            }
        return lit;
    };
    const QRgb score = qRgb(0x20, 0xe0, 0xff);
    const QRgb clockColor = qRgb(0xff, 0x80, 0x00);
    if (shown.contains("home-score=12")) {
        QVERIFY(litIn("home-score", score) > 30);
        QVERIFY(litIn("visitor-score", score) > 30);
        QVERIFY(litIn("period-clock", clockColor) > 30);
    }
    if (shown.contains("home-penalty-1=1:30")) {
        QVERIFY(litIn("home-penalty-1", clockColor) > 30);
        QCOMPARE(litIn("home-penalty-2", clockColor), 0);
    }
    QCOMPARE(qAlpha(image.pixel(960, 540)) == 0, transparent);
    QCOMPARE(qAlpha(image.pixel(5, 5)) == 0, transparent);
    if (qEnvironmentVariableIsSet("CORVANTA_FEED_SCREENSHOTS"))
        image.save(QDir(qEnvironmentVariable("CORVANTA_FEED_SCREENSHOTS"))
                           .filePath(QString(QTest::currentDataTag()).replace(' ', '-') + ".png"));
}

void tst_FeedPages::readoutFollowsTheBoard_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("shown");
    QTest::newRow("period at 59.9 s: tenths") << "period" << 59900.0 << "59.9";
    QTest::newRow("period just above 59.9 s: minutes") << "period" << 59900.1 << "1:00";
    // As the board: the tenth the clock is in, 0.0 only once it is out.
    QTest::newRow("period tenths: the tenth it is in") << "period" << 5000.1 << "5.1";
    QTest::newRow("period in its last tenth") << "period" << 0.1 << "0.1";
    QTest::newRow("period at zero") << "period" << 0.0 << "0.0";
    QTest::newRow("period above a minute") << "period" << 123456.0 << "2:04";
    QTest::newRow("jam at 59 s") << "jam" << 59000.0 << "0:59";
    QTest::newRow("jam just above 59 s") << "jam" << 59000.1 << "1:00";
    QTest::newRow("jam just above 58 s: half to even") << "jam" << 58000.1 << "0:58";
    QTest::newRow("jam below a minute keeps seconds") << "jam" << 5000.0 << "0:05";
    QTest::newRow("penalty at zero") << "penalty" << 0.0 << "0:00";
    QTest::newRow("penalty past zero stays at zero") << "penalty" << -300.0 << "0:00";
    QTest::newRow("penalty ten minutes") << "penalty" << 600000.0 << "10:00";
    QTest::newRow("a flow clock past 9:59 on the jam display") << "jam" << 718500.0 << "11:59";
    QTest::newRow("counting up: seconds passed") << "jam up" << 59999.0 << "0:59";
    QTest::newRow("counting up: a whole second") << "jam up" << 60000.0 << "1:00";
}

void tst_FeedPages::readoutFollowsTheBoard()
{
    QFETCH(QString, kind);
    QFETCH(double, ms);
    QFETCH(QString, shown);
    const QString url = serve({QJsonArray {}});
    QVERIFY(m_browser->open(url + "/", 800, 600));
    QCOMPARE(m_browser
                     ->evaluate(QString("CorvantaFeed.readout('%1', %2, %3)")
                                        .arg(kind.section(' ', 0, 0))
                                        .arg(ms, 0, 'f', 1)
                                        .arg(kind.endsWith(" up") ? "true" : "false"))
                     .toString(),
             shown);
}

void tst_FeedPages::followsMessagesAndCountsOn()
{
    // Stopped, then a jam starts: the clocks run from the running message and count down by
    // themselves; the period clock crosses into tenths below a minute.
    QJsonObject running = bout("12", true);
    QJsonObject clocks = running["clocks"].toObject();
    clocks["period"] = clock("1:01", 61000, true);
    clocks["jam"] = clock("2:00", 120000, true);
    running["clocks"] = clocks;
    const QString url = serve(
            {QJsonArray {send(bout()), QJsonObject {{"waitFile", signal("jam")}}, send(running)}});
    QVERIFY(m_browser->open(url + "/", 1280, 720));
    QTRY_COMPARE_WITH_TIMEOUT(text("jam-clock"), QString("1:57"), kWaitMs);
    QCOMPARE(text("period-clock"), QString("9:57"));
    raise("jam");
    QTRY_VERIFY_WITH_TIMEOUT(text("period-clock") != "9:57", kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(
            QRegularExpression("^5\\d\\.\\d$").match(text("period-clock")).hasMatch(), kWaitMs);
    QVERIFY(QStringList({"1:58", "1:59"}).contains(text("jam-clock")));
    QCOMPARE(m_browser->evaluate("document.documentElement.getAttribute('data-feed-messages')")
                     .toString(),
             QString("2"));
    // How long the page took from the message's arrival to the board shown; the bench reports it.
    qInfo("applied in %s ms",
          qPrintable(m_browser
                             ->evaluate("document.documentElement.getAttribute("
                                        "'data-feed-apply-ms')")
                             .toString()));
}

void tst_FeedPages::showsALostFeedAndReconnects()
{
    // The program goes with clocks running; a restarted one sends its resumed bout, then only
    // keep-alives while a clock runs, which is a lost feed too. Then a bout at rest that the
    // keep-alives hold live, until the link dies without closing; a new connection takes it up.
    QJsonObject resumed = bout("13", true);
    const QString url = serve(
            {QJsonArray {send(bout("12", true)), QJsonObject {{"waitFile", signal("quit")}},
                         QJsonObject {{"close", true}}},
             QJsonArray {QJsonObject {{"waitFile", signal("back")}}, send(resumed)},
             QJsonArray {QJsonObject {{"waitFile", signal("again")}}, send(bout("14")),
                         QJsonObject {{"waitFile", signal("cut")}}, QJsonObject {{"silent", true}}},
             QJsonArray {QJsonObject {{"waitFile", signal("restored")}}, send(bout("15"))}});
    QVERIFY(m_browser->open(url + "/", 1280, 720));
    auto state = [this] {
        return m_browser->evaluate("document.documentElement.getAttribute('data-feed-state')")
                .toString();
    };
    auto attribute = [this](const char *name) {
        return m_browser
                ->evaluate(QString("Number(document.documentElement.getAttribute('%1'))").arg(name))
                .toInt();
    };
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(text("period-clock") != "9:57", kWaitMs); // counting

    raise("quit");
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("lost"), kWaitMs);
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), false);
    QCOMPARE(m_browser->evaluate("getComputedStyle(document.getElementById('feed-lost')).display")
                             .toString()
                     != "none",
             true);
    QVERIFY(m_browser
                    ->evaluate("Number(getComputedStyle(document.getElementById('period-clock'))"
                               ".opacity)")
                    .toDouble()
            < 1.0);
    // Every display grey, the game flow's jam number and counts too: none may pass for live.
    QCOMPARE(m_browser
                     ->evaluate("Array.from(document.querySelectorAll('.led')).filter(e => "
                                "getComputedStyle(e).getPropertyValue('--led').trim() != "
                                "'#808080').map(e => e.id).join()")
                     .toString(),
             QString());
    // And the game flow's words, which were the board's then.
    QCOMPARE(m_browser
                     ->evaluate("Array.from(document.querySelectorAll('.phase')).filter(e => "
                                "getComputedStyle(e).color != 'rgb(128, 128, 128)').map(e => "
                                "e.id).join()")
                     .toString(),
             QString());
    // The clocks stop where they were counted to, no longer counting: not taken back to the
    // time last sent.
    const QString left = text("period-clock");
    QVERIFY2(left.startsWith("9:5") && left < QString("9:57"), qPrintable(left));
    QTest::qWait(1200);
    QCOMPARE(text("period-clock"), left);

    raise("back");
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    QCOMPARE(text("home-score"), QString("13"));
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), true);
    // No bout with a clock running: lost again, though the connection stays open.
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("lost"), kWaitMs);

    // At rest the program sends no bout, only keep-alives: live for as long as they come, past
    // the silence a page takes for a dead link.
    raise("again");
    QTRY_COMPARE_WITH_TIMEOUT(text("home-score"), QString("14"), kWaitMs);
    const int connects = attribute("data-feed-connects");
    const int keepAlives = attribute("data-feed-keepalives");
    QTRY_VERIFY_WITH_TIMEOUT(attribute("data-feed-keepalives") >= keepAlives + 4, kWaitMs);
    QCOMPARE(state(), QString("live"));
    QCOMPARE(attribute("data-feed-connects"), connects);
    // The link dies without closing: nothing more comes, and the page says so.
    raise("cut");
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("lost"), kWaitMs);
    QCOMPARE(m_browser->evaluate("document.getElementById('feed-lost').hidden").toBool(), false);
    QCOMPARE(text("home-score"), QString("14"));
    // It does not wait for the dead connection's close to try a new one.
    raise("restored");
    QTRY_COMPARE_WITH_TIMEOUT(state(), QString("live"), kWaitMs);
    QCOMPARE(text("home-score"), QString("15"));
}

void tst_FeedPages::longNamesShowWhole_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("texts"); // the ids of the names and title the page shows
    QTest::addColumn<bool>("flow");
    // Phones and tablets upright too, where the displays the message fills take room from the
    // names after they were first fitted.
    for (const QSize size : {QSize(1920, 1080), QSize(1280, 720), QSize(800, 600), QSize(360, 640),
                             QSize(768, 1024)}) {
        for (const bool flow : {false, true}) {
            const QString at = QString(" at %1x%2%3")
                                       .arg(size.width())
                                       .arg(size.height())
                                       .arg(flow ? ", game flow" : "");
            QTest::newRow(qPrintable("audience board" + at))
                    << "/" << size << QStringList {"home-name", "title", "visitor-name"} << flow;
            QTest::newRow(qPrintable("penalty box" + at))
                    << "/penalties" << size << QStringList {"home-name", "visitor-name"} << flow;
        }
    }
    // The overlay is laid out for 1920 x 1080 whatever the window.
    QTest::newRow("overlay") << "/overlay" << QSize(1920, 1080)
                             << QStringList {"home-name", "visitor-name"} << false;
}

void tst_FeedPages::longNamesShowWhole()
{
    // A name and a title of the widest letters, too long for their places: shown whole in
    // smaller letters, not cut; a short name beside them keeps its size.
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QStringList, texts);
    QFETCH(bool, flow);
    const QString wide(20, 'W');
    QJsonObject message = flow ? flowBout() : bout();
    message.insert("title", wide);
    QJsonObject home = message["home"].toObject();
    home.insert("name", wide);
    message.insert("home", home);
    const QString url = serve({QJsonArray {send(message)}});
    QVERIFY(m_browser->open(url + path, size.width(), size.height()));
    QTRY_COMPARE_WITH_TIMEOUT(text("home-name"), wide, kWaitMs);
    auto rect = [this](const QString &id) {
        return QJsonDocument::fromJson(
                       m_browser
                               ->evaluate(QString("JSON.stringify(document.getElementById('%1')"
                                                  ".getBoundingClientRect())")
                                                  .arg(id))
                               .toString()
                               .toUtf8())
                .object();
    };
    auto number = [this](const QString &id, const QString &expression) {
        return m_browser
                ->evaluate(QString("(function (e) { return %2; })(document.getElementById('%1'))")
                                   .arg(id, expression))
                .toDouble();
    };
    double right = 0;
    for (const QString &id : texts) {
        QCOMPARE(m_browser->evaluate(QString("document.getElementById('%1').textContent").arg(id))
                         .toString(),
                 id == "visitor-name" ? QString("Jammers") : wide);
        // All of it within its box and the window, and clear of the one before it.
        // To the fraction of a pixel: a text wider by less than one is cut all the same.
        QVERIFY2(number(id, "e.scrollWidth") <= number(id, "e.clientWidth"), qPrintable(id));
        const double room = number(id,
                                   "e.getBoundingClientRect().width"
                                   " - parseFloat(getComputedStyle(e).paddingLeft)"
                                   " - parseFloat(getComputedStyle(e).paddingRight)");
        const double width = number(id,
                                    "(function (r) { r.selectNodeContents(e);"
                                    " return r.getBoundingClientRect().width; })"
                                    "(document.createRange())");
        QVERIFY2(width <= room, qPrintable(QString("%1: %2 in %3").arg(id).arg(width).arg(room)));
        const QJsonObject r = rect(id);
        QVERIFY2(r["left"].toDouble() >= right && r["right"].toDouble() <= size.width(),
                 qPrintable(id));
        right = r["right"].toDouble();
    }
    QVERIFY(number("home-name", "parseFloat(getComputedStyle(e).fontSize)")
            < number("visitor-name", "parseFloat(getComputedStyle(e).fontSize)"));
    // Upright, a side's column is narrow enough for a short name to be fitted too.
    if (size.width() > size.height())
        QCOMPARE(m_browser->evaluate("document.getElementById('visitor-name').style.fontSize")
                         .toString(),
                 QString());
}

void tst_FeedPages::rightToLeftNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("audience board") << "/" << QStringList {"home-name", "title", "visitor-name"};
    QTest::newRow("penalty box") << "/penalties" << QStringList {"home-name", "visitor-name"};
    QTest::newRow("overlay") << "/overlay" << QStringList {"home-name", "visitor-name"};
}

void tst_FeedPages::rightToLeftNames()
{
    // A text that starts in a right-to-left script reads from the right, as on the board, and
    // one that starts in Latin from the left: "Derby" stands left of the Arabic word either way.
    QFETCH(QString, path);
    QFETCH(QStringList, texts);
    const QString arabic = QString::fromUtf8("\u0646\u0627\u062F\u064A");
    QJsonObject message = bout();
    message.insert("title", arabic + " 42 Derby");
    QJsonObject home = message["home"].toObject();
    home.insert("name", arabic + " 42 Derby");
    message.insert("home", home);
    QJsonObject visitor = message["visitor"].toObject();
    visitor.insert("name", "Derby 42 " + arabic);
    message.insert("visitor", visitor);
    const QString url = serve({QJsonArray {send(message)}});
    QVERIFY(m_browser->open(url + path, 1280, 720));
    QTRY_COMPARE_WITH_TIMEOUT(text("home-name"), arabic + " 42 Derby", kWaitMs);
    for (const QString &id : texts) {
        const QString script = QString("(function (e) {"
                                       " var t = e.firstChild, r = document.createRange();"
                                       " function left(from, length) {"
                                       "  r.setStart(t, from); r.setEnd(t, from + length);"
                                       "  return r.getBoundingClientRect().left; }"
                                       " return left(t.data.indexOf('Derby'), 5)"
                                       "  < left(t.data.indexOf('%2'), 4); })"
                                       "(document.getElementById('%1'))")
                                       .arg(id, arabic);
        QVERIFY2(m_browser->evaluate(script).toBool(), qPrintable(id));
    }
}

QTEST_GUILESS_MAIN(tst_FeedPages)
#include "tst_feedpages.moc"
