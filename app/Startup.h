#pragma once

#include <QStringList>

// Registers the compiled-in icons (":/Resources/...").
void initVireoscapeResources();

// Sets the organization and application names that select the settings store.
void setApplicationIdentity();

// Loads the settings, says on standard error what was refused in them, and
// removes the hidden files that a writer killed while writing left in the
// picture folder.
void loadSettings();

// The whole program: returns the process exit status.
int runVireoscape(int argc, char** argv);
