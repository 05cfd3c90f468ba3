#pragma once

/// From now on, the system's requests to stop close the program's windows as the user
/// would, so that it ends normally: a recording is written out and closed, and the serial
/// port is closed with its line's settings put back. The program's exit status stays 0.
/// On Linux these are SIGTERM, SIGHUP and SIGINT (a logout, a demo ending, Ctrl+C); on
/// Windows, the end of the session (a logoff, a shutdown), after which Windows ends the
/// process at once: there the windows' close handlers run, and the loop may not end.
/// Needs the application object.
void closeWindowsOnStopRequests();
