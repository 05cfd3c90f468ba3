#pragma once

#include "devices/portdevice.h"
#include "link/serialsettings.h"

#include <QSerialPort>
#include <QString>

#include <optional>

// The link's messages for the user. Each names the port and its device (`port` below is
// that name, as describePort() gives it), says what went wrong and, where the user can
// do something about it, what. Reasons are the program's own words, never Qt's or the
// system's English.

struct OpenFailure
{
    enum Kind {
        Missing,
        PermissionDenied,
        Busy,
        NoHardware,
        TerminalNotLine, // the terminal typed in, a console, ptmx
        SystemConsole,
        Other
    };
    Kind kind = Other;
    int error = 0; // the errno behind it, when known
};

/// Tells the failures of QSerialPort::open() apart, by the platform's rules (one file per
/// platform). On Linux whether the device may be used at all is asked of the system
/// (access()), whose error number then gives the reason; a device that may be used but was
/// refused is held by another program only when the system or Qt says so; a built-in port
/// with no UART behind it fails with an input/output error; `sysRoot` is where sysfs is.
/// On Windows a port another program holds is refused as access denied.
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device,
                                const QString &sysRoot = QStringLiteral("/sys"));

/// Refuses, before it is opened, a tty that is no board's line: the terminal the user types
/// in, a console or ptmx, or the line the kernel writes its messages to. Opened, it would be
/// set raw and polled, and whoever uses it would suffer.
std::optional<OpenFailure> refusedTerminal(const QString &device, const MachineRoots &roots = {});

/// Why a serial operation failed, in words: from the system's error number Qt quotes
/// when it quotes one, otherwise from Qt's kind of error.
QString serialReason(QSerialPort::SerialPortError error, const QString &qtText);

QString openFailureMessage(const QString &port, const OpenFailure &failure);
/// The reason for a failure whose words follow the platform's rules (on Linux, a
/// permission the user lacks and a port without hardware), to follow "Não foi possível
/// abrir a porta PORT: ".
QString platformOpenReason(const QString &port, const OpenFailure &failure);
QString closedPortMessage(const QString &port);
QString writeFailureMessage(const QString &port, const QString &reason);
QString settingsFailureMessage(const QString &port, const QString &reason);

/// What can become of a lost board.
enum class LostBoard {
    ComesBack,         // recognised when it is back: the link re-opens by itself
    OpenAgain,         // may be back at the same name: the user opens it again
    PseudoTerminalGone // a simulated board's pseudo-terminal, which never comes back
};
/// The board stopped answering and its port was closed.
QString linkLostMessage(const QString &port, LostBoard future);
/// A read or write failed while the device stayed: the link carries on.
QString linkFaultMessage(const QString &port, const QString &reason);
/// Polls have gone unanswered `polls` times in a row on this line.
QString silentBoardMessage(const QString &port, const SerialSettings &line, int polls);
