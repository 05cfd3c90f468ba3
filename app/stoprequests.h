#pragma once

/// From now on, SIGTERM, SIGHUP and SIGINT (a logout, a demo ending, Ctrl+C) close the
/// program's windows as the user would, so that it ends normally: a recording is written
/// out and closed, and the serial port is closed with its line's settings put back. The
/// program's exit status stays 0. Needs the application object.
void closeWindowsOnStopSignals();
