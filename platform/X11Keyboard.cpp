#include "platform/X11Keyboard.h"

#include "platform/X11Connection.h"

#include <Qt>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr xcb_keysym_t kKeysymF1 = 0xffbe;
constexpr xcb_keysym_t kKeysymF35 = 0xffe0;
constexpr quint32 kMaxKeycode = 255;

int qtKeyOfKeysym(xcb_keysym_t sym)
{
    if (sym >= 'a' && sym <= 'z')
        return Qt::Key_A + int(sym - 'a');
    if (sym >= 'A' && sym <= 'Z')
        return Qt::Key_A + int(sym - 'A');
    if (sym >= '0' && sym <= '9')
        return Qt::Key_0 + int(sym - '0');
    if (sym >= kKeysymF1 && sym <= kKeysymF35)
        return Qt::Key_F1 + int(sym - kKeysymF1);
    return 0;
}

} // namespace

int x11KeycodeKey(quint32 keycode)
{
    xcb_connection_t* c = x11Connection();
    if (!c || keycode == 0 || keycode > kMaxKeycode)
        return 0;
    // Read anew each time: the keyboard mapping may have changed meanwhile.
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    if (!symbols)
        return 0;
    const auto code = xcb_keycode_t(keycode);
    int key = qtKeyOfKeysym(xcb_key_symbols_get_keysym(symbols, code, 0));
    if (!key)
        key = qtKeyOfKeysym(xcb_key_symbols_get_keysym(symbols, code, 1));
    xcb_key_symbols_free(symbols);
    return key;
}
