#include "link/portnaming.h"

#include "devices/portdevice.h"

#include <QRegularExpression>

namespace {

bool isComName(const QString &port)
{
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return comName.match(port.trimmed()).hasMatch();
}

} // namespace

QString describePort(const QString &port, const QString &opened)
{
    const QString given = devicePathForPort(port);
    if (isComName(port)) {
        // On Windows a COM name is the device's own.
        const QString known = deviceKnownAs(opened.isEmpty() ? given : opened);
        return known == port ? port : port + QStringLiteral(" (") + known + QLatin1Char(')');
    }
    if (opened.isEmpty() || opened == given)
        return port;
    return port + QStringLiteral(" (") + opened + QLatin1Char(')');
}
