#include "screenkeeper.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/sync.h>

#include <memory>

// Stands in for the desktop's screen saver on the bus: every hold and release asked of it.
class DesktopScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;
    // When set, every hold is refused with this message.
    QString refusal;

public slots:
    uint Inhibit(const QString &application, const QString &reason)
    {
        calls.append(QStringLiteral("Inhibit %1: %2").arg(application, reason));
        if (!refusal.isEmpty()) {
            sendErrorReply(QDBusError::AccessDenied, refusal);
            return 0;
        }
        return ++m_cookie;
    }
    void UnInhibit(uint cookie) { calls.append(QStringLiteral("UnInhibit %1").arg(cookie)); }

private:
    uint m_cookie = 40;
};

// The screens kept on while a window shows: asked of the desktop on a real D-Bus session bus of
// the test's own, where a stand-in answers for the desktop, and of a real X server (Xvfb), whose
// idle time is read through a second connection as a desktop's idle watch reads it.
class TestScreenKeeper : public QObject
{
    Q_OBJECT

private:
    QProcess m_bus;
    DesktopScreenSaver m_desktop;
    Display *m_observer = nullptr;
    XSyncCounter m_idle = 0;

    // Milliseconds since the last input, as the X server counts them.
    qint64 idleMs()
    {
        XSyncValue value;
        if (!XSyncQueryCounter(m_observer, m_idle, &value))
            return -1;
        return (qint64(XSyncValueHigh32(value)) << 32) | XSyncValueLow32(value);
    }

private slots:
    void initTestCase()
    {
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection desktop = QDBusConnection::connectToBus(QString(address), "desktop");
        QVERIFY(desktop.registerService("org.freedesktop.ScreenSaver"));
        QVERIFY(desktop.registerObject("/org/freedesktop/ScreenSaver", &m_desktop,
                                       QDBusConnection::ExportAllSlots));

        m_observer = XOpenDisplay(nullptr);
        QVERIFY(m_observer);
        int events = 0;
        int errors = 0;
        int major = 0;
        int minor = 0;
        QVERIFY(XSyncQueryExtension(m_observer, &events, &errors)
                && XSyncInitialize(m_observer, &major, &minor));
        int count = 0;
        XSyncSystemCounter *counters = XSyncListSystemCounters(m_observer, &count);
        for (int i = 0; i < count; ++i) {
            if (qstrcmp(counters[i].name, "IDLETIME") == 0)
                m_idle = counters[i].counter;
        }
        XSyncFreeSystemCounterList(counters);
        QVERIFY(m_idle);
    }
    void cleanupTestCase()
    {
        XCloseDisplay(m_observer);
        m_bus.kill();
        m_bus.waitForFinished();
    }

    // One hold while the window shows, let go with its own cookie when it hides or goes; a
    // window hidden before the desktop answered leaves no hold behind.
    void desktopHoldsTheScreenWhileShown()
    {
        QGuiApplication::setApplicationDisplayName("Corvanta");
        const QString hold = "Inhibit Corvanta: A scoreboard is shown";
        auto window = std::make_unique<QWidget>();
        auto *keeper = new ScreenKeeper(window.get());
        QVERIFY(!keeper->isHeld());
        window->show();
        QVERIFY(keeper->isHeld());
        QTRY_COMPARE(m_desktop.calls, QStringList {hold});
        window->hide();
        QTRY_COMPARE(m_desktop.calls, (QStringList {hold, "UnInhibit 41"}));

        // Hidden before it was time to ask, nothing is held; hidden as the desktop answers, the
        // hold is let go.
        window->show();
        window->hide();
        QTest::qWait(ScreenKeeper::AskAfterMilliseconds + 200);
        QCOMPARE(m_desktop.calls.size(), 2);
        window->show();
        QTRY_COMPARE(m_desktop.calls.size(), 3);
        window->hide();
        QTRY_COMPARE(m_desktop.calls.size(), 4);
        QCOMPARE(m_desktop.calls.mid(2), (QStringList {hold, "UnInhibit 42"}));

        // Minimised it is still open (an audience board may show on the projector): held.
        window->show();
        QTRY_COMPARE(m_desktop.calls.size(), 5);
        window->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(window->isMinimized());
        QTest::qWait(200);
        QVERIFY(keeper->isHeld());
        QCOMPARE(m_desktop.calls.size(), 5);
        window->setWindowState(Qt::WindowNoState);
        window->show();
        QVERIFY(keeper->isHeld());
        window.reset();
        QTRY_COMPARE(m_desktop.calls.size(), 6);
        QCOMPARE(m_desktop.calls.last(), "UnInhibit 43");
        QTest::qWait(200);
        QCOMPARE(m_desktop.calls.size(), 6);

        // Made for a window already shown, the keeper holds at once.
        window = std::make_unique<QWidget>();
        window->show();
        QVERIFY((new ScreenKeeper(window.get()))->isHeld());
        QTRY_COMPARE(m_desktop.calls.size(), 7);
        window.reset();
        QTRY_COMPARE(m_desktop.calls.size(), 8);
    }

    // A desktop that refuses the hold is named in the program's log (its standard error), with
    // its reason; a desktop without the service at all is common, and the log says nothing.
    void desktopRefusalLogged()
    {
        QTemporaryFile log;
        QVERIFY(log.open());
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        dup2(log.handle(), STDERR_FILENO);
        QDBusConnection desktop("desktop");
        const auto restore = qScopeGuard([this, saved, &desktop] {
            std::fflush(stderr);
            dup2(saved, STDERR_FILENO);
            close(saved);
            m_desktop.refusal.clear();
            desktop.registerService("org.freedesktop.ScreenSaver");
        });
        m_desktop.refusal = "Not while presenting";
        const qsizetype asked = m_desktop.calls.size();
        auto window = std::make_unique<QWidget>();
        new ScreenKeeper(window.get());
        window->show();
        QTRY_COMPARE(m_desktop.calls.size(), asked + 1);
        QTRY_VERIFY(log.size() > 0);
        window.reset();
        m_desktop.refusal.clear();

        QVERIFY(desktop.unregisterService("org.freedesktop.ScreenSaver"));
        const qint64 before = log.size();
        window = std::make_unique<QWidget>();
        new ScreenKeeper(window.get());
        window->show();
        QTest::qWait(ScreenKeeper::AskAfterMilliseconds + 1000);
        window.reset();
        std::fflush(stderr);
        log.seek(0);
        const QByteArray text = log.readAll();
        QCOMPARE(text,
                 "Corvanta: the desktop was not asked to keep the screen on: Not while "
                 "presenting\n");
        QCOMPARE(log.size(), before);
    }

    // The X server's screen saver, set to come on after 2 s without input while the window
    // shows (by a power profile, say, where it was ten minutes), stays off while the window
    // shows, and comes on again in its time once the window has gone.
    void xScreenSaverPutOffWhileShown()
    {
        XSetScreenSaver(m_observer, 600, 0, DontPreferBlanking, AllowExposures);
        XSync(m_observer, False);
        auto window = std::make_unique<QWidget>();
        new ScreenKeeper(window.get());
        window->show();
        QTest::qWait(ScreenKeeper::AskAfterMilliseconds + 500);
        XSetScreenSaver(m_observer, 2, 0, DontPreferBlanking, AllowExposures);
        XSync(m_observer, False);
        QTest::qWait(3500);
        QVERIFY2(idleMs() < 2000, qPrintable(QString::number(idleMs())));
        window.reset();
        QTest::qWait(2500);
        QVERIFY2(idleMs() >= 2000, qPrintable(QString::number(idleMs())));
    }
};

QTEST_MAIN(TestScreenKeeper)
#include "tst_screenkeeper.moc"
