#include "link/portnaming.h"

#include <QRegularExpression>

QString devicePathForPort(const QString &port)
{
#ifdef Q_OS_WIN
    return port;
#else
    static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString name = port.trimmed();
    const QRegularExpressionMatch match = comName.match(name);
    if (match.hasMatch())
        return QStringLiteral("/dev/ttyS%1").arg(match.captured(1).toInt() - 1);
    if (name.startsWith(QLatin1Char('/')))
        return name;
    return QStringLiteral("/dev/") + name;
#endif
}

QString describePort(const QString &port)
{
    const QString device = devicePathForPort(port);
    if (device == port)
        return port;
    return QStringLiteral("%1 (%2)").arg(port, device);
}
