#pragma once

#include <QStringList>

// Registers the compiled-in icons (":/Resources/...") and translations
// (":/translations/...").
void initVireoscapeResources();

// Sets the organization and application names that select the settings store.
void setApplicationIdentity();

// Installs the program's translation and Qt's own for the user's locale
// (LANG, LC_MESSAGES, LC_ALL) in the running application object; where there
// is none, the program's own English texts stay.
void installTranslations();

// Loads the settings, says on standard error what was refused in them, and
// removes the hidden files that a writer killed while writing left in the
// picture folder.
void loadSettings();

// The whole program: returns the process exit status.
int runVireoscape(int argc, char** argv);
