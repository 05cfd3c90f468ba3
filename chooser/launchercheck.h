#pragma once

#include "devices/serialdevices.h"

#include <QString>

// What sensor-viewer-on may give the viewer as its port.
struct LauncherCheck
{
    bool usable = false;
    /// When usable: what the viewer's port should lead to. A link given stays that link;
    /// a USB node becomes udev's by-id link for it, which follows the adapter to whatever
    /// node it comes back at; anything else is the node itself.
    QString reach;
    /// When not: why, and what the user can do, in English (for a terminal) and in
    /// Portuguese (for a box).
    QString english;
    QString portuguese;
};

LauncherCheck checkLauncherDevice(const QString &device, const MachineRoots &roots = {});
