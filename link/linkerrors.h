#pragma once

#include <QSerialPort>
#include <QString>

// The link's messages for the user. Each names the port and its device, says what went
// wrong and, where the user can do something about it, what.

enum class OpenFailure { Missing, PermissionDenied, Busy, Other };

/// Tells the failures of QSerialPort::open() apart. Qt reports a lock held by another
/// program and a device without access rights both as PermissionError, so the device's
/// access rights are checked to tell which it is.
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device);

QString openFailureMessage(const QString &port, OpenFailure failure, const QString &qtText);
QString closedPortMessage(const QString &port);
QString writeFailureMessage(const QString &port, const QString &qtText);
QString settingsFailureMessage(const QString &port, const QString &qtText);
QString linkLostMessage(const QString &port);

/// The group that owns the device and may read and write it, for the user to join; empty
/// when there is none or it is root.
QString deviceGroup(const QString &device);
