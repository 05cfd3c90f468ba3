#pragma once

#include "protocol/boardprotocol.h"

#include <QSerialPort>
#include <QString>

// The link's line settings. Every run starts from these: COM2 at 19200 baud, 8 data
// bits, no parity, one stop bit, no flow control, DTR and RTS held inactive.
struct SerialSettings
{
    QString port = QStringLiteral("COM2");
    qint32 baudRate = kDefaultBaudRate;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
    bool dataTerminalReady = false;
    bool requestToSend = false;

    /// Bits on the wire per character: start, data, parity and stop bits.
    int bitsPerCharacter() const
    {
        const int parityBits = parity == QSerialPort::NoParity ? 0 : 1;
        const int stop = stopBits == QSerialPort::OneStop ? 1 : 2;
        return 1 + static_cast<int>(dataBits) + parityBits + stop;
    }
};
