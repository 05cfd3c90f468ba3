#pragma once

#include "link/serialsettings.h"

#include <QSerialPort>
#include <QString>

// The link's messages for the user. Each names the port and its device, says what went
// wrong and, where the user can do something about it, what.

enum class OpenFailure { Missing, PermissionDenied, Busy, NoHardware, Other };

/// Tells the failures of QSerialPort::open() apart. Qt reports a lock held by another
/// program and a device without access rights both as PermissionError, so the device's
/// access rights are checked to tell which it is. A built-in port with no UART behind it
/// fails with an input/output error. `sysRoot` is where sysfs is.
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device,
                                const QString &sysRoot = QStringLiteral("/sys"));

QString openFailureMessage(const QString &port, OpenFailure failure, const QString &qtText);
QString closedPortMessage(const QString &port);
QString writeFailureMessage(const QString &port, const QString &qtText);
QString settingsFailureMessage(const QString &port, const QString &qtText);
/// The board stopped answering and its port was closed; `comesBack` when the link will
/// re-open by itself once the same board is back.
QString linkLostMessage(const QString &port, bool comesBack);
/// A read or write failed while the device stayed: the link carries on.
QString linkFaultMessage(const QString &port, const QString &qtText);
/// Polls have gone unanswered `polls` times in a row on this line.
QString silentBoardMessage(const SerialSettings &line, int polls);
