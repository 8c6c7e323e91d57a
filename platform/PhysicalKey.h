#pragma once

class QKeyEvent;

// The key a key event comes from, whatever Shift makes of it: Shift+7 is
// Qt::Key_7 although the event says "&" on a US keyboard ("/" on a German
// one). Letters, digits and function keys are recognised; any other key is
// the event's own.
int physicalKey(const QKeyEvent& event);
