#pragma once

#include <QPoint>
#include <QSize>

// The main window as designed at 96 pixels per inch; Qt's high-DPI scaling maps it to the
// screen. Its place is the client area's; its size includes the frame. The benchmark
// looks for the window here too.
constexpr QPoint kWindowPosition(289, 118);
constexpr QSize kWindowOuterSize(875, 500);
