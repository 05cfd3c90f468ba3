#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// The main window as designed at 96 pixels per inch; Qt's high-DPI scaling maps it to the
// screen. Its place is the client area's; its size includes the frame. The benchmark and
// the tests that need the chart's size take them from here too.
constexpr QPoint kWindowPosition(289, 118);
constexpr QSize kWindowOuterSize(875, 500);

// The controls as designed; positions are in the client area.
constexpr QRect kLabel6Geometry(24, 32, 76, 13);
constexpr QRect kComLed1Geometry(104, 24, 25, 25);
constexpr QRect kButton1Geometry(144, 24, 113, 25);
constexpr QRect kComboBox1Geometry(304, 24, 145, 21);
constexpr QPoint kLabel1Position(504, 24);
constexpr QRect kChart1Geometry(64, 112, 609, 250);
constexpr QRect kButton4Geometry(320, 392, 89, 25);
constexpr QRect kBitBtn1Geometry(760, 416, 75, 25);
constexpr int kSelectorEntryHeight = 13;
