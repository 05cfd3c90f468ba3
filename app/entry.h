#pragma once

#include <QString>

class TForm1;

/// The main window, once built.
extern TForm1 *Form1;

/// Runs the program on the given serial port and returns its exit code, always 0.
int Entry(int &argc, char **argv, const QString &port);
