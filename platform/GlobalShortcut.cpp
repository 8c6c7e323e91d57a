#include "platform/GlobalShortcut.h"

#include "platform/X11Connection.h"

#include <QCoreApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr uint8_t kBadAccess = 10;

// X keysyms of the keys a hot key can use (Latin-1 lower case letters and
// digits are their ASCII codes; F1..F12 are consecutive).
constexpr xcb_keysym_t kKeysymF1 = 0xffbe;
constexpr xcb_keysym_t kKeysymNumLock = 0xff7f;

xcb_keysym_t keysymFor(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key - Qt::Key_A + 'a';
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return kKeysymF1 + (key - Qt::Key_F1);
    if (key >= 0x20 && key <= 0x7e)
        return key; // other printable Latin-1 keys share their code with the keysym
    return 0;
}

unsigned int x11Modifiers(Qt::KeyboardModifiers m)
{
    unsigned int mask = 0;
    if (m & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (m & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (m & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (m & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The modifier bit Num Lock is mapped to (Mod2 on most servers, but not all).
unsigned int numLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols)
{
    XcbReply<xcb_keycode_t> numLockCodes(xcb_key_symbols_get_keycode(symbols, kKeysymNumLock));
    XcbReply<xcb_get_modifier_mapping_reply_t> map(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!numLockCodes || !map)
        return XCB_MOD_MASK_2;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map.get());
    const int perModifier = map->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[mod * perModifier + i];
            for (const xcb_keycode_t* n = numLockCodes.get(); code && *n != XCB_NO_SYMBOL; ++n) {
                if (*n == code)
                    return 1u << mod;
            }
        }
    }
    return XCB_MOD_MASK_2;
}

} // namespace

bool CGlobalShortcut::onlyTypesText(QKeyCombination combination)
{
    if (combination.keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const int key = combination.key();
    // Qt's codes below its special keys are the characters themselves.
    constexpr int kFirstSpecialKey = Qt::Key_Escape;
    return (key >= Qt::Key_Space && key < kFirstSpecialKey) || key == Qt::Key_Escape || key == Qt::Key_Tab ||
           key == Qt::Key_Backtab || key == Qt::Key_Backspace || key == Qt::Key_Return ||
           key == Qt::Key_Enter;
}

QList<unsigned int> CGlobalShortcut::lockVariants() const
{
    return {0u, XCB_MOD_MASK_LOCK, m_numLock, m_numLock | XCB_MOD_MASK_LOCK};
}

CGlobalShortcut::CGlobalShortcut(const QKeySequence& shortcut, QObject* parent)
    : QObject(parent), m_shortcut(shortcut)
{
    m_registered = grab();
    if (m_registered)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

CGlobalShortcut::~CGlobalShortcut()
{
    if (m_registered) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        ungrab();
    }
}

bool CGlobalShortcut::grab()
{
    // The owner tells the user, once, with the key in its own words.
    const auto refuse = [this](const char* why) {
        m_problem = QCoreApplication::translate("CGlobalShortcut", why);
        return false;
    };
    xcb_connection_t* c = x11Connection();
    if (!c)
        return refuse(QT_TRANSLATE_NOOP("CGlobalShortcut", "there is no X11 display"));
    if (m_shortcut.isEmpty())
        return false;
    const QKeyCombination combination = m_shortcut[0];
    if (onlyTypesText(combination))
        return refuse(QT_TRANSLATE_NOOP("CGlobalShortcut", "it only types text"));
    const xcb_keysym_t keysym = keysymFor(combination.key());
    if (!keysym)
        return refuse(QT_TRANSLATE_NOOP("CGlobalShortcut", "it has no X11 key"));

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    m_numLock = numLockMask(c, symbols);
    xcb_key_symbols_free(symbols);
    if (!codes || codes.get()[0] == XCB_NO_SYMBOL)
        return refuse(QT_TRANSLATE_NOOP("CGlobalShortcut", "it has no key on this keyboard"));
    m_keycode = codes.get()[0];
    m_modifiers = x11Modifiers(combination.keyboardModifiers());

    const xcb_window_t root = x11RootWindow();
    QList<xcb_void_cookie_t> cookies;
    for (unsigned int lock : lockVariants()) {
        cookies << xcb_grab_key_checked(c, 1, root, uint16_t(m_modifiers | lock), xcb_keycode_t(m_keycode),
                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    // One answer for the four variants: another program holding one of
    // them holds the combination.
    bool ok = true, held = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        XcbReply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
        if (error) {
            ok = false;
            held = held || error->error_code == kBadAccess;
        }
    }
    if (!ok) {
        ungrab(); // release the variants that did succeed
        return refuse(held ? QT_TRANSLATE_NOOP("CGlobalShortcut", "another program holds it")
                           : QT_TRANSLATE_NOOP("CGlobalShortcut", "the X server refused it"));
    }
    return true;
}

void CGlobalShortcut::ungrab()
{
    xcb_connection_t* c = x11Connection();
    if (!c || !m_keycode)
        return;
    const xcb_window_t root = x11RootWindow();
    for (unsigned int lock : lockVariants())
        xcb_ungrab_key(c, xcb_keycode_t(m_keycode), root, uint16_t(m_modifiers | lock));
    xcb_flush(c);
}

bool CGlobalShortcut::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    auto* key = static_cast<xcb_key_press_event_t*>(message);
    const unsigned int state = key->state & ~(XCB_MOD_MASK_LOCK | m_numLock);
    // Compare only the modifiers a hot key can use, ignoring mouse-button bits.
    const unsigned int relevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    if (key->detail == m_keycode && (state & relevant) == m_modifiers) {
        emit activated();
        return true;
    }
    return false;
}
