#include "keyboardsymbols.h"

#if defined(CORVANTA_HAVE_X11)
#include "x11display.h"
#endif

namespace KeyboardSymbols {

std::optional<VirtualKeys::KeySymbols> ofKey(quint32 keycode, quint32 state)
{
#if defined(CORVANTA_HAVE_X11)
    Display *display = x11Display();
    if (!display || keycode < 8 || keycode > 255)
        return std::nullopt;
    int perKey = 0;
    KeySym *mapping = XGetKeyboardMapping(display, KeyCode(keycode), 1, &perKey);
    if (!mapping)
        return std::nullopt;
    // Two symbols a group, unshifted then shifted; a group the key lacks is its first.
    int group = int((state >> 13) & 3);
    if (2 * group + 1 >= perKey || mapping[2 * group] == NoSymbol)
        group = 0;
    // The keysyms from space to tilde are those ASCII characters.
    const auto ascii = [&](int index) {
        const KeySym symbol = index < perKey ? mapping[index] : NoSymbol;
        return symbol >= 0x20 && symbol <= 0x7e ? char(symbol) : char(0);
    };
    const VirtualKeys::KeySymbols symbols {ascii(2 * group), ascii(2 * group + 1)};
    XFree(mapping);
    return symbols;
#else
    Q_UNUSED(keycode);
    Q_UNUSED(state);
    return std::nullopt;
#endif
}

void install()
{
    VirtualKeys::setSymbolLookup(&ofKey);
}

} // namespace KeyboardSymbols
