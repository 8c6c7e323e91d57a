#pragma once

#include <QString>

#include <functional>

// The short notice a finish gives: where the picture went, so that nobody
// has to look for it (or wonder whether anything happened). The program
// shows it; nothing is told when the settings say not to.
namespace FinishNotice {

// Who shows the notices (a desktop notification, the tray's message); with
// none they go nowhere.
void setShower(std::function<void(const QString&)> show);

// The picture went into the file (empty: none) and/or onto the clipboard.
QString text(const QString& fileName, bool clipboard);
// After "Save picture", which leaves the snapshot open: what OK would do
// now, so that a habitual OK does not write a second copy unawares.
QString afterSaveText(const QString& fileName);

// Shows text(fileName, clipboard), unless the settings say not to.
void tell(const QString& fileName, bool clipboard);

} // namespace FinishNotice
