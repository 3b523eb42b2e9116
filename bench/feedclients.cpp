#include "feedclients.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

#include <memory>

void FeedClients::open(quint16 port, int count)
{
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1/feed").arg(port));
    messages.fill(0, count);
    for (int i = 0; i < count; ++i) {
        auto *client = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
        auto first = std::make_shared<bool>(true);
        connect(client, &QWebSocket::disconnected, this, [this] { ++dropped; });
        connect(client, &QWebSocket::textMessageReceived, this,
                [this, i, first](const QString &message) {
                    ++messages[i];
                    if (*first) {
                        *first = false;
                        ++ready;
                    }
                    if (i != 0)
                        return;
                    const qint64 now = m_clock->nsecsElapsed();
                    const QJsonObject state = QJsonDocument::fromJson(message.toUtf8()).object();
                    // A jam runs: in the game flow the jam's slot runs on through the lineup
                    // the jam key starts, so the phase tells them apart.
                    const QJsonValue phase = state.value(QStringLiteral("phase"));
                    const bool running
                            = state.value(QStringLiteral("clocks"))["jam"]["running"].toBool()
                            && (phase.isUndefined() || phase.toString() == QLatin1String("Jam"));
                    if (int(running) != jamRunning) {
                        arrivedNs = now;
                        jamRunning = int(running);
                    }
                });
        client->open(url);
    }
}
