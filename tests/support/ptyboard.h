#pragma once

#include "sim/pseudoterminal.h"

#include <QByteArray>
#include <QString>

#include <termios.h>

// The sensor board on a pseudo-terminal, in Qt's types: the program opens devicePath() as
// its serial device, the test reads commands and writes frames. Unplugging it is what
// pulling the USB adapter out looks like to the program.
class PtyBoard
{
public:
    QString devicePath() const { return QString::fromStdString(m_line.device()); }
    /// Sends bytes to the program, as the board would.
    void send(const QByteArray &bytes) { m_line.send(bytes.toStdString()); }
    /// What the program has sent so far and not yet taken (does not wait).
    QByteArray takeReceived() { return QByteArray::fromStdString(m_line.take()); }
    void unplug() { m_line.unplug(); }
    /// The line speed the program gave the device (B9600...), read through the master: a
    /// pty's two sides share their line settings.
    speed_t lineSpeed() const;

private:
    PseudoTerminal m_line;
};
