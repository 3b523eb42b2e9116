#pragma once

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWebSocket>

// Real headless Chromium driven over its DevTools protocol: one page, opened at a URL, that a test
// reads with JavaScript and photographs.
class HeadlessBrowser
{
public:
    HeadlessBrowser();
    ~HeadlessBrowser();

    // Starts the browser; false, with why(), where it cannot run here.
    bool start();
    QString why() const { return m_why; }

    // Opens url in a new page of width x height CSS pixels with a transparent default background.
    bool open(const QString &url, int width, int height);
    // The value of a JavaScript expression in the page; undefined on failure.
    QJsonValue evaluate(const QString &expression);
    QImage screenshot();

private:
    QJsonObject call(const QString &method, const QJsonObject &params = {}, bool inPage = true);

    QProcess m_process;
    QTemporaryDir m_profile;
    QWebSocket m_socket;
    QString m_session;
    QString m_why;
    int m_nextId = 1;
    QList<QJsonObject> m_replies;
};
