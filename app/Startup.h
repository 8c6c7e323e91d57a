#pragma once

#include <QStringList>

// Registers the compiled-in icons (":/Resources/...").
void initVireoscapeResources();

// Sets the organization and application names that select the settings store.
void setApplicationIdentity();

// The whole program: returns the process exit status.
int runVireoscape(int argc, char** argv);
