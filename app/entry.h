#pragma once

class TForm1;

/// The main window, once built.
extern TForm1 *Form1;

/// Runs the program and returns its exit code, always 0. The arguments change nothing;
/// only the program's name is used.
int Entry(int &argc, char **argv);
