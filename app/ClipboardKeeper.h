#pragma once

// Called when the program ends. On X11 and on Wayland a clipboard's content
// lives in the process that set it: if this process still owns the clipboard
// and no clipboard manager runs to take it over (X11), keep serving it (no
// windows, no hot keys) until another program takes the clipboard or a
// termination signal arrives. With a manager, Qt hands the content over on
// exit. Not
// called when a termination signal (log-out, kill) ended the program,
// unless the clipboard holds the only copy of a picture whose file failed.
// The bus name, the hot keys and the single-instance lock are given up
// before, so that a new instance can start meanwhile.
void serveClipboardUntilTaken();

// Whether a clipboard manager owns the CLIPBOARD_MANAGER selection.
bool clipboardManagerRunning();
