#include "numlock.h"
#include "virtualkeys.h"

#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#ifdef CORVANTA_HAVE_XTEST
#include <X11/extensions/XTest.h>
#endif

namespace {

// Remembers the virtual-key code of every key pressed on it.
class KeyCatcher final : public QWidget
{
public:
    QList<int> codes;

protected:
    void keyPressEvent(QKeyEvent *event) override { codes << VirtualKeys::fromEvent(event); }
};

} // namespace

// On a real X server of its own (Xvfb): NumLock as the server sees it, through a second
// connection of the test's own, and as the program's keys see it.
class TestNumLock : public QObject
{
    Q_OBJECT

private:
    Display *m_observer = nullptr;
    unsigned m_mask = 0;

    bool serverNumLock()
    {
        XkbStateRec state {};
        XkbGetState(m_observer, XkbUseCoreKbd, &state);
        return state.locked_mods & m_mask;
    }

    // Sets the state behind the program's back, as the operator's NumLock key would.
    void pressNumLockTo(bool on)
    {
        XkbLockModifiers(m_observer, XkbUseCoreKbd, m_mask, on ? m_mask : 0);
        XSync(m_observer, False);
        QCOMPARE(serverNumLock(), on);
    }

    // Lock-state changes the server has announced since the last call.
    int lockChanges()
    {
        XSync(m_observer, False);
        int changes = 0;
        while (XPending(m_observer)) {
            XEvent event;
            XNextEvent(m_observer, &event);
            ++changes;
        }
        return changes;
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), "xcb");
        m_observer = XOpenDisplay(nullptr);
        QVERIFY(m_observer);
        m_mask = XkbKeysymToModifiers(m_observer, XK_Num_Lock);
        QVERIFY2(m_mask, "the server's keymap has no NumLock modifier");
        XkbSelectEventDetails(m_observer, XkbUseCoreKbd, XkbStateNotify, XkbModifierLockMask,
                              XkbModifierLockMask);
    }
    void cleanupTestCase()
    {
        if (m_observer)
            XCloseDisplay(m_observer);
    }

    void bringsTheStateToTheWantedOne_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("force on") << false << true;
        QTest::newRow("force off") << true << false;
        QTest::newRow("already on") << true << true;
        QTest::newRow("already off") << false << false;
    }
    void bringsTheStateToTheWantedOne()
    {
        QFETCH(bool, before);
        QFETCH(bool, wanted);
        pressNumLockTo(before);
        lockChanges();
        QCOMPARE(NumLockState(), std::optional<bool>(before));

        QVERIFY(SetNumLock(wanted));
        QCOMPARE(serverNumLock(), wanted);
        QCOMPARE(NumLockState(), std::optional<bool>(wanted));
        // A state already as wanted is left alone: the server sees no change at all.
        QCOMPARE(lockChanges(), before == wanted ? 0 : 1);
    }

    void keypadKeysFollowTheForcedState()
    {
#ifndef CORVANTA_HAVE_XTEST
        QSKIP("Built without the XTest extension's headers.");
#else
        KeyCatcher catcher;
        catcher.setFocusPolicy(Qt::StrongFocus);
        catcher.resize(100, 100);
        catcher.show();
        catcher.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&catcher));
        catcher.setFocus();

        const KeyCode keypad1 = XKeysymToKeycode(m_observer, XK_KP_1);
        QVERIFY(keypad1);
        auto pressKeypad1 = [&] {
            XTestFakeKeyEvent(m_observer, keypad1, True, CurrentTime);
            XTestFakeKeyEvent(m_observer, keypad1, False, CurrentTime);
            XSync(m_observer, False);
        };

        pressNumLockTo(false);
        QVERIFY(SetNumLock(true));
        pressKeypad1();
        QTRY_COMPARE(catcher.codes, QList<int> {97});

        QVERIFY(SetNumLock(false));
        pressKeypad1();
        // With NumLock off the same key is End.
        QTRY_COMPARE(catcher.codes, (QList<int> {97, 35}));
#endif
    }
};

QTEST_MAIN(TestNumLock)
#include "tst_numlock.moc"
