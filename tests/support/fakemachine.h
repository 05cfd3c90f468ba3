#pragma once

#include "devices/serialdevices.h"

#include <QString>
#include <QTemporaryDir>

// A machine's /dev and /sys in a scratch folder, laid out as Linux lays them out: what
// the code that finds serial devices, and tells one USB adapter from another, reads.
class FakeMachine
{
public:
    FakeMachine();

    struct Adapter
    {
        QString maker;
        QString product;
        QString serial; // none if empty
        QString socket; // where it is plugged in: the USB device's name, "1-2"
    };
    /// An FTDI adapter in socket 1-2, and the name udev's by-id link gives it.
    static inline const Adapter kFtdi{"FTDI", "FT232R USB UART", "A50285BI", "1-2"};
    static inline const QString kFtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    /// A USB serial adapter whose tty is `node`, with udev's by-id link if `byId` is given.
    /// The node is an empty file, or a link to `realNode` (a pseudo-terminal), whose device
    /// number then leads to the adapter's tty, as /sys/dev/char does.
    void plugAdapter(const QString &node, const Adapter &adapter, const QString &byId = {},
                     const QString &realNode = {});
    void unplugAdapter(const QString &node, const QString &socket);
    void addNode(const QString &node);
    void addLink(const QString &byId, const QString &target);
    /// A built-in port; sysfs type 0 means no UART behind it.
    void addBuiltInPort(const QString &node, const QString &type);
    /// The kernel's console is `active` (/sys/class/tty/console/active), and its command
    /// line `cmdline`.
    void setConsole(const QString &active, const QString &cmdline);
    /// Where /sys/dev/char lists the character device `node` (a pseudo-terminal) by number.
    QString charEntry(const QString &node) const;

    MachineRoots roots() const { return {dev, sys, proc}; }

private:
    QTemporaryDir m_root;

public:
    const QString dev;
    const QString sys;
    const QString proc;
};
