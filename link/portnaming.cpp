#include "link/portnaming.h"

QString describePort(const QString &port)
{
    const QString device = devicePathForPort(port);
    if (device == port)
        return port;
    return QStringLiteral("%1 (%2)").arg(port, device);
}
