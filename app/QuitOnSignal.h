#pragma once

// Makes SIGTERM, SIGINT and SIGHUP end the event loop the way "Exit" does, so
// that a log-out or a kill still saves the settings.
void quitOnTerminationSignals();
