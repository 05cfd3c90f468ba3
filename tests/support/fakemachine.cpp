#include "support/fakemachine.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

void write(const QString &path, const QString &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8() + "\n");
}

} // namespace

FakeMachine::FakeMachine()
    : dev(m_root.path() + "/dev")
    , sys(m_root.path() + "/sys")
    , proc(m_root.path() + "/proc")
{
    QDir().mkpath(proc);
    QDir().mkpath(dev + "/serial/by-id");
    QDir().mkpath(sys + "/class/tty");
    QDir().mkpath(sys + "/dev/char");
}

void FakeMachine::plugAdapter(const QString &node, const Adapter &adapter, const QString &byId,
                              const QString &realNode)
{
    // devices/.../usb1/1-2 (the adapter) / 1-2:1.0 (its interface) / ttyUSB0 / tty / ttyUSB0
    const QString usb = "devices/pci0000:00/usb1/" + adapter.socket;
    const QString port = usb + "/" + adapter.socket + ":1.0/" + node;
    const QString tty = port + "/tty/" + node;
    QDir().mkpath(sys + "/" + tty);
    write(sys + "/" + usb + "/idVendor", "0403");
    write(sys + "/" + usb + "/idProduct", "6001");
    write(sys + "/" + usb + "/manufacturer", adapter.maker);
    write(sys + "/" + usb + "/product", adapter.product);
    if (!adapter.serial.isEmpty())
        write(sys + "/" + usb + "/serial", adapter.serial);
    write(sys + "/" + usb + "/" + adapter.socket + ":1.0/bInterfaceNumber", "00");
    QFile::link("../../../" + node, sys + "/" + tty + "/device");
    QFile::link("../../" + tty, sys + "/class/tty/" + node);
    if (realNode.isEmpty()) {
        addNode(node);
    } else {
        QFile::link(realNode, dev + "/" + node);
        QFile::link("../../" + tty, charEntry(realNode));
    }
    if (!byId.isEmpty())
        addLink(byId, "../../" + node);
}

void FakeMachine::unplugAdapter(const QString &node, const QString &socket)
{
    QDir(sys + "/devices/pci0000:00/usb1/" + socket).removeRecursively();
    QFile::remove(sys + "/class/tty/" + node);
    QFile::remove(dev + "/" + node);
}

void FakeMachine::addNode(const QString &node)
{
    write(dev + "/" + node, "");
}

void FakeMachine::addLink(const QString &byId, const QString &target)
{
    QFile::link(target, dev + "/serial/by-id/" + byId);
}

void FakeMachine::addBuiltInPort(const QString &node, const QString &type)
{
    addNode(node);
    QDir().mkpath(sys + "/class/tty/" + node);
    write(sys + "/class/tty/" + node + "/type", type);
}

void FakeMachine::setConsole(const QString &active, const QString &cmdline)
{
    QDir().mkpath(sys + "/class/tty/console");
    write(sys + "/class/tty/console/active", active);
    write(proc + "/cmdline", cmdline);
}

QString FakeMachine::charEntry(const QString &node) const
{
    struct stat info = {};
    ::stat(node.toLocal8Bit(), &info);
    return QString("%1/dev/char/%2:%3").arg(sys).arg(major(info.st_rdev)).arg(minor(info.st_rdev));
}
