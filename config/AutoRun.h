#pragma once

#include <QString>

// The per-user log-on start entry: an XDG autostart desktop file named after
// the application, pointing at the executable.
QString autoRunEntryPath();

// The Exec= value that starts the given executable, quoted and escaped as
// desktop entries require, so that paths with spaces or quotes still work.
QString autoRunExecValue(const QString& executable);

// Writes the entry (enabled) or removes it (disabled). Other files in the
// autostart directory are never touched. The executable defaults to the
// running program. Returns false when the entry could not be brought in line.
bool applyAutoRun(bool enabled, const QString& executable = QString());
