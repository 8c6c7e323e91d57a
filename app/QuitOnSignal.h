#pragma once

// Makes SIGTERM, SIGINT and SIGHUP end the event loop the way "Exit" does, so
// that a log-out or a kill still saves the settings.
void quitOnTerminationSignals();

// Whether a termination signal has arrived: the session is going away, so
// nothing should keep the process alive after its windows are gone.
bool terminationRequested();
