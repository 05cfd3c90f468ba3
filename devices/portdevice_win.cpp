#include "devices/portdevice.h"

#include <QSerialPortInfo>

namespace {

// Vendor, product and serial number, as Windows' device list has them. Windows keeps one
// COM name for an adapter without a serial number in each USB socket: there, the name
// stands for the socket.
std::optional<QString> identityOf(const QSerialPortInfo &port)
{
    if (!port.hasVendorIdentifier() || !port.hasProductIdentifier())
        return std::nullopt;
    const QString serial = port.serialNumber().isEmpty()
                               ? QStringLiteral("porta ") + port.portName().toUpper()
                               : port.serialNumber();
    return QStringLiteral("%1/%2/%3")
        .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(serial);
}

} // namespace

QString devicePathForPort(const QString &port)
{
    return port.trimmed();
}

QString deviceKnownAs(const QString &node, const MachineRoots &)
{
    return node;
}

bool isPseudoTerminal(const QString &, const QString &)
{
    return false;
}

LineKind lineKind(const QString &, const MachineRoots &)
{
    // A COM name is a serial port's, or nothing: Windows' consoles are not reached by one.
    return LineKind::SerialLine;
}

std::optional<QString> adapterIdentity(const QString &device, const MachineRoots &)
{
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        if (port.portName().compare(device, Qt::CaseInsensitive) == 0)
            return identityOf(port);
    return std::nullopt;
}

std::optional<QString> deviceWithIdentity(const QString &identity, const QString &,
                                          const MachineRoots &)
{
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        if (identityOf(port) == identity)
            return port.portName();
    return std::nullopt;
}

QList<LinkOnTheWay> linksOnTheWay(const QString &)
{
    return {};
}
