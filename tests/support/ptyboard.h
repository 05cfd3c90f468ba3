#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

// A pseudo-terminal playing the sensor board: the program opens the slave side as its
// serial device, the test reads commands and writes frames on the master side. Closing
// the master is what pulling the USB adapter out looks like to the program.
class PtyBoard
{
public:
    PtyBoard();
    ~PtyBoard();
    PtyBoard(const PtyBoard &) = delete;
    PtyBoard &operator=(const PtyBoard &) = delete;

    /// The device the program opens, e.g. /dev/pts/3.
    QString devicePath() const { return m_slavePath; }

    /// Sends bytes to the program, as the board would.
    void send(const QByteArray &bytes);
    /// What the program has sent so far and not yet taken (does not wait).
    QByteArray takeReceived();
    /// Unplugs the board: closes the master side.
    void unplug();
    /// The line speed the program gave the device (B9600...), read through the master: a
    /// pty's two sides share their line settings.
    speed_t lineSpeed() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
