#include "chooser/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

bool SerialDevice::operator==(const SerialDevice &other) const
{
    return std::tie(path, node, maker, product, serialNumber, builtIn)
           == std::tie(other.path, other.node, other.maker, other.product, other.serialNumber,
                       other.builtIn);
}

namespace {

QString readAttribute(const QString &dir, const QString &name)
{
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

// Maker, product and serial number of the USB device a tty belongs to: the nearest
// directory above the tty's device in sysfs that has a USB vendor id (the interface of a
// ttyACM, the port of a ttyUSB, sit below the device).
void nameFromSysfs(SerialDevice &device, const QString &sysRoot)
{
    const QString name = QFileInfo(device.node).fileName();
    QString dir =
        QFileInfo(sysRoot + QStringLiteral("/class/tty/") + name + QStringLiteral("/device"))
            .canonicalFilePath();
    const QString top = QFileInfo(sysRoot).canonicalFilePath();
    while (!dir.isEmpty() && dir.startsWith(top) && dir != top) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor"))) {
            device.maker = readAttribute(dir, QStringLiteral("manufacturer"));
            device.product = readAttribute(dir, QStringLiteral("product"));
            device.serialNumber = readAttribute(dir, QStringLiteral("serial"));
            return;
        }
        dir = QFileInfo(dir).path();
    }
}

// ttyUSB2 before ttyUSB10.
bool byNode(const SerialDevice &a, const SerialDevice &b)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+)$"));
    const QRegularExpressionMatch ma = numbered.match(a.node);
    const QRegularExpressionMatch mb = numbered.match(b.node);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
        return ma.captured(2).toInt() < mb.captured(2).toInt();
    return a.node < b.node;
}

} // namespace

QList<SerialDevice> findSerialDevices(const QString &devRoot, const QString &sysRoot)
{
    QList<SerialDevice> devices;
    auto listed = [&devices](const QString &node) {
        return std::any_of(devices.cbegin(), devices.cend(),
                           [&node](const SerialDevice &d) { return d.node == node; });
    };

    // udev names each USB serial adapter there, by maker, model and serial number.
    const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
    for (const QFileInfo &link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString node = link.canonicalFilePath();
        if (node.isEmpty() || listed(node))
            continue; // a link to an adapter that has gone
        devices.append({link.absoluteFilePath(), node, {}, {}, {}, false});
    }
    // Without udev (a container, a minimal system) the nodes are all there is.
    const QDir dev(devRoot);
    for (const QFileInfo &node : dev.entryInfoList(
             {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System | QDir::Files)) {
        const QString path = node.canonicalFilePath();
        if (!path.isEmpty() && !listed(path))
            devices.append({path, path, {}, {}, {}, false});
    }
    for (SerialDevice &device : devices) {
        nameFromSysfs(device, sysRoot);
        if (device.maker.isEmpty() && device.product.isEmpty() && device.path != device.node)
            device.product = QFileInfo(device.path).fileName();
    }
    // Most PCs have ttyS0 to ttyS3 whatever is fitted; sysfs tells a UART (type 0: none).
    for (const QFileInfo &node :
         dev.entryInfoList({QStringLiteral("ttyS*")}, QDir::System | QDir::Files)) {
        const QString type = readAttribute(
            sysRoot + QStringLiteral("/class/tty/") + node.fileName(), QStringLiteral("type"));
        if (!type.isEmpty() && type != QLatin1String("0"))
            devices.append({node.absoluteFilePath(), node.absoluteFilePath(), {}, {}, {}, true});
    }
    std::stable_sort(devices.begin(), devices.end(), byNode);
    return devices;
}
