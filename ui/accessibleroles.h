#pragma once

/// Has assistive technology see the main window as a window, the lamp as a status and
/// the chart as a chart, where Qt would report plain "filler" widgets. Call it once,
/// before the first window is built.
void installAccessibleRoles();
