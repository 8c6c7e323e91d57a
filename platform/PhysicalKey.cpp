#include "platform/PhysicalKey.h"

#include "platform/X11Connection.h"
#include "platform/X11Keyboard.h"

#include <QKeyEvent>

#include <cstring>

int physicalKey(const QKeyEvent& event)
{
    // On X11 the scan code is the X keycode; synthesized events have none.
    if (x11Connection() && event.nativeScanCode() != 0) {
        const int key = x11KeycodeKey(event.nativeScanCode());
        return key ? key : event.key();
    }
    // Otherwise only the typed character is known: undo Shift on the digit
    // row of a US keyboard.
    static const char kShiftedDigits[] = ")!@#$%^&*(";
    const int key = event.key();
    if (key > 0 && key < 0x7f) {
        if (const char* found = std::strchr(kShiftedDigits, key))
            return Qt::Key_0 + int(found - kShiftedDigits);
    }
    return key;
}
