#include "app/ClipboardKeeper.h"

#include "platform/X11Connection.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cstring>
#include <xcb/xcb.h>

bool clipboardManagerRunning()
{
    xcb_connection_t* c = x11Connection();
    if (!c)
        return false;
    const char name[] = "CLIPBOARD_MANAGER";
    XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::strlen(name), name), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

void serveClipboardUntilTaken()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // A Wayland compositor, too, asks the client that set the clipboard for
    // its content on every paste, and drops it when that client goes.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if ((!x11Connection() && !wayland) || !clipboard->ownsClipboard() || clipboardManagerRunning())
        return;
    const QMetaObject::Connection connection =
        QObject::connect(clipboard, &QClipboard::changed, clipboard, [clipboard](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
                QCoreApplication::quit();
        });
    QGuiApplication::exec();
    QObject::disconnect(connection);
}
