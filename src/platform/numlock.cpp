#include "numlock.h"

#include <QGuiApplication>

#include <cstdio>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(CORVANTA_HAVE_X11)
#include "x11display.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace {

[[maybe_unused]] void sayUnsupportedOnce()
{
    static bool said = false;
    if (said)
        return;
    said = true;
    const QString platform = QGuiApplication::platformName();
    std::fprintf(stderr, "Corvanta: NumLock cannot be read or set on this platform (%s).\n",
                 qPrintable(platform.isEmpty() ? QStringLiteral("no window system") : platform));
}

#if defined(Q_OS_WIN)

bool numLockOn()
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    // Any bit counts, the key-held bit included.
    return keys[VK_NUMLOCK] != 0;
}

#elif defined(CORVANTA_HAVE_X11)

// The modifier bit that NumLock locks in the current keymap; 0 when no key carries it.
unsigned numLockMask(Display *display)
{
    return XkbKeysymToModifiers(display, XK_Num_Lock);
}

std::optional<bool> numLockOn(Display *display, unsigned mask)
{
    XkbStateRec state {};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return (state.locked_mods & mask) != 0;
}

#endif

} // namespace

#if defined(Q_OS_WIN)

bool SetNumLock(bool wanted)
{
    if (numLockOn() == wanted)
        return true;
    // One press and release of NumLock, as the keyboard would send it: scan code 0x45, an
    // extended key.
    keybd_event(VK_NUMLOCK, 0x45, KEYEVENTF_EXTENDEDKEY, 0);
    keybd_event(VK_NUMLOCK, 0x45, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
    return true;
}

std::optional<bool> NumLockState()
{
    return numLockOn();
}

bool NumLockSettable()
{
    return true;
}

#elif defined(CORVANTA_HAVE_X11)

bool NumLockSettable()
{
    Display *display = x11Display();
    return display && numLockMask(display) != 0;
}

bool SetNumLock(bool wanted)
{
    Display *display = x11Display();
    if (!display) {
        sayUnsupportedOnce();
        return false;
    }
    const unsigned mask = numLockMask(display);
    if (!mask)
        return false;
    const std::optional<bool> on = numLockOn(display, mask);
    if (!on)
        return false;
    if (*on == wanted)
        return true;
    // Sets the lock itself rather than faking a key press, which would reach our own key handlers
    // and any other program's.
    XkbLockModifiers(display, XkbUseCoreKbd, mask, wanted ? mask : 0);
    XSync(display, False);
    return numLockOn(display, mask) == wanted;
}

std::optional<bool> NumLockState()
{
    Display *display = x11Display();
    if (!display)
        return std::nullopt;
    const unsigned mask = numLockMask(display);
    if (!mask)
        return std::nullopt;
    return numLockOn(display, mask);
}

#else

bool NumLockSettable()
{
    return false;
}

bool SetNumLock(bool)
{
    sayUnsupportedOnce();
    return false;
}

std::optional<bool> NumLockState()
{
    return std::nullopt;
}

#endif
