#pragma once

#include <QStringList>

// Registers the compiled-in icons (":/Resources/...").
void initVireoscapeResources();

// Sets the organization and application names that select the settings store.
void setApplicationIdentity();

// Grabs the whole desktop and saves it under the pattern name. Returns the
// process exit status: 0 on success, 1 with a message on standard error.
int oneShotCapture();

// The whole program: returns the process exit status.
int runVireoscape(int argc, char** argv);
