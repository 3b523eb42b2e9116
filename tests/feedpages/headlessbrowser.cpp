#include "headlessbrowser.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <functional>

namespace {

// Long enough for a slow start on a busy machine; this waits, it measures nothing.
constexpr int kWaitMs = 30000;

bool waitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(kWaitMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace

// The profile goes in the test's own data folder, which isolated-run.sh removes afterwards.
HeadlessBrowser::HeadlessBrowser()
    : m_profile(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                        .filePath("chromium-XXXXXX"))
{
    m_profile.setAutoRemove(false);
    QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString &text) {
        m_replies.append(QJsonDocument::fromJson(text.toUtf8()).object());
    });
}

HeadlessBrowser::~HeadlessBrowser()
{
    m_socket.abort();
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool HeadlessBrowser::start()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (program.isEmpty()) {
        m_why = QStringLiteral("chromium is not installed (scripts/deps installs it)");
        return false;
    }
    m_process.setProgram(program);
    m_process.setArguments({"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                            "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync", "--hide-scrollbars",
                            "--remote-debugging-port=0", "--user-data-dir=" + m_profile.path(),
                            "about:blank"});
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(kWaitMs)) {
        m_why = QStringLiteral("chromium does not start: ") + m_process.errorString();
        return false;
    }
    static const QRegularExpression listening(QStringLiteral("DevTools listening on (ws://\\S+)"));
    QString said;
    QDeadlineTimer deadline(kWaitMs);
    QRegularExpressionMatch match;
    while (!(match = listening.match(said)).hasMatch() && !deadline.hasExpired()
           && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        said += QString::fromUtf8(m_process.readAllStandardError());
    }
    if (!match.hasMatch()) {
        m_why = QStringLiteral("chromium gives no DevTools address: ") + said.right(500);
        return false;
    }
    m_socket.open(QUrl(match.captured(1)));
    waitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; });
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        m_why = QStringLiteral("cannot reach chromium's DevTools: ") + m_socket.errorString();
        return false;
    }
    return true;
}

bool HeadlessBrowser::open(const QString &url, int width, int height)
{
    const QJsonObject target = call("Target.createTarget", {{"url", "about:blank"}}, false)
                                       .value("result")
                                       .toObject();
    const QJsonObject attached
            = call("Target.attachToTarget",
                   {{"targetId", target.value("targetId")}, {"flatten", true}}, false)
                      .value("result")
                      .toObject();
    m_session = attached.value("sessionId").toString();
    if (m_session.isEmpty())
        return false;
    call("Page.enable");
    call("Emulation.setDeviceMetricsOverride",
         {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}});
    call("Emulation.setDefaultBackgroundColorOverride",
         {{"color", QJsonObject {{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}}}});
    call("Page.navigate", {{"url", url}});
    // Loaded when its script has set the state it starts in.
    return waitFor([this] {
        return evaluate("document.documentElement.getAttribute('data-feed-state') !== null")
                .toBool();
    });
}

QJsonValue HeadlessBrowser::evaluate(const QString &expression)
{
    const QJsonObject reply
            = call("Runtime.evaluate",
                   {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}});
    return reply.value("result").toObject().value("result").toObject().value("value");
}

QImage HeadlessBrowser::screenshot()
{
    const QJsonObject reply = call("Page.captureScreenshot", {{"format", "png"}});
    const QByteArray png = QByteArray::fromBase64(
            reply.value("result").toObject().value("data").toString().toLatin1());
    return QImage::fromData(png, "PNG");
}

QJsonObject HeadlessBrowser::call(const QString &method, const QJsonObject &params, bool inPage)
{
    const int id = m_nextId++;
    QJsonObject command {{"id", id}, {"method", method}, {"params", params}};
    if (inPage && !m_session.isEmpty())
        command.insert("sessionId", m_session);
    m_socket.sendTextMessage(
            QString::fromUtf8(QJsonDocument(command).toJson(QJsonDocument::Compact)));
    QDeadlineTimer deadline(kWaitMs);
    while (!deadline.hasExpired() && m_socket.state() == QAbstractSocket::ConnectedState) {
        for (qsizetype i = 0; i < m_replies.size(); ++i) {
            if (m_replies[i].value("id").toInt() == id)
                return m_replies.takeAt(i);
        }
        // Events the page sends on its own are of no interest.
        m_replies.removeIf([](const QJsonObject &reply) { return !reply.contains("id"); });
        QTest::qWait(5);
    }
    return {};
}
