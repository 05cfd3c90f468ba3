#pragma once

class QSerialPort;

/// Whether the open port's device has gone for good: a USB adapter pulled out, or the
/// other side of a pseudo-terminal closed. A device still there failed only for a moment.
bool deviceHungUp(const QSerialPort &port);
