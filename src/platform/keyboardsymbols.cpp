#include "keyboardsymbols.h"

#if defined(CORVANTA_HAVE_X11)
#include "x11display.h"

#include <X11/XKBlib.h>

#include <memory>
#endif

namespace KeyboardSymbols {

std::optional<VirtualKeys::KeySymbols> ofKey(quint32 keycode, quint32 state)
{
#if defined(CORVANTA_HAVE_X11)
    Display *display = x11Display();
    if (!display || keycode < 8 || keycode > 255)
        return std::nullopt;
    // The key's symbols as XKB keeps them, every group at its own width. The core mapping lists
    // the third and fourth groups after the first two groups' AltGr levels, where two symbols a
    // group would read another layout's. Asked of the server afresh at every key (a few hundredths
    // of a millisecond), so that a layout switched mid-bout counts at once.
    const std::unique_ptr<XkbDescRec, void (*)(XkbDescPtr)> keyboard(
            XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd),
            [](XkbDescPtr map) { XkbFreeKeyboard(map, 0, True); });
    if (!keyboard || !keyboard->map || keycode < keyboard->min_key_code
        || keycode > keyboard->max_key_code)
        return std::nullopt;
    const XkbDescPtr map = keyboard.get();
    const XkbSymMapRec &key = map->map->key_sym_map[keycode];
    const int groups = XkbNumGroups(key.group_info);
    // Unshifted then shifted; a group the key lacks is its first.
    int group = int((state >> 13) & 3);
    if (group >= groups || XkbKeySymEntry(map, keycode, 0, group) == NoSymbol)
        group = 0;
    // The keysyms from space to tilde are those ASCII characters.
    const auto ascii = [&](int level) {
        const KeySym symbol = groups > 0 && level < key.width
                ? XkbKeySymEntry(map, keycode, level, group)
                : NoSymbol;
        return symbol >= 0x20 && symbol <= 0x7e ? char(symbol) : char(0);
    };
    return VirtualKeys::KeySymbols {ascii(0), ascii(1)};
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
