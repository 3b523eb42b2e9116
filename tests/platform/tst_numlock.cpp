#include "numlock.h"

#include <QTest>

#include <X11/XKBlib.h>
#include <X11/keysym.h>

// On a real X server of its own (Xvfb): NumLock as the server sees it, through a second
// connection of the test's own, and as the program reads it back.
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

    void bringsTheStateToTheWantedOne()
    {
        for (const auto &[before, wanted] : {std::pair {false, true}, std::pair {true, false},
                                             std::pair {true, true}, std::pair {false, false}}) {
            pressNumLockTo(before);
            lockChanges();
            QCOMPARE(NumLockState(), std::optional<bool>(before));

            QVERIFY(SetNumLock(wanted));
            QCOMPARE(serverNumLock(), wanted);
            QCOMPARE(NumLockState(), std::optional<bool>(wanted));
            // A state already as wanted is left alone: the server sees no change at all.
            QCOMPARE(lockChanges(), before == wanted ? 0 : 1);
        }
    }
};

QTEST_MAIN(TestNumLock)
#include "tst_numlock.moc"
