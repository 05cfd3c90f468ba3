#include "chooser/launchercheck.h"

#include "devices/terminalrefusal.h"
#include "errors/systemreason.h"

#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace {

LauncherCheck refused(const QString &english, const QString &portuguese)
{
    return {false, {}, english, portuguese};
}

QString portugueseRefusal(const QString &device, LineKind kind)
{
    return QStringLiteral("Não foi possível abrir %1: ").arg(device) + terminalRefusal(kind);
}

LauncherCheck permissionRefused(const QString &device, const MachineRoots &roots)
{
    const QString group = deviceGroup(device, roots.proc);
    if (!group.isEmpty())
        return refused(
            QStringLiteral("no permission to use %1. Join its group: sudo usermod -aG %2 "
                           "$USER, then log out and in again.")
                .arg(device, group),
            QStringLiteral("Não foi possível abrir %1: permissão negada. Para usá-lo, o seu "
                           "usuário precisa pertencer ao grupo %2: sudo usermod -aG %2 $USER, "
                           "e depois sair e entrar de novo na sessão.")
                .arg(device, group));
    return refused(
        QStringLiteral("no permission to use %1, and no group of users known here may use it. "
                       "Ask the administrator to give the group dialout, the usual one for "
                       "serial devices, access to it (for example with a udev rule) and to add "
                       "you to that group.")
            .arg(device),
        QStringLiteral("Não foi possível abrir %1: permissão negada, e nenhum grupo de usuários "
                       "conhecido aqui pode usá-lo. Peça ao administrador que dê acesso a ele "
                       "ao grupo dialout (por exemplo, com uma regra do udev) e que inclua o "
                       "seu usuário nesse grupo.")
            .arg(device));
}

} // namespace

LauncherCheck checkLauncherDevice(const QString &device, const MachineRoots &roots)
{
    const QFileInfo given(device);
    switch (lineKind(device, roots)) {
    case LineKind::Missing:
        if (given.isSymLink())
            return refused(
                QStringLiteral("%1 is a link to %2, which does not exist. Is the board "
                               "plugged in?")
                    .arg(device, given.symLinkTarget()),
                QStringLiteral("Não foi possível abrir %1: ele aponta para %2, que não existe. "
                               "Verifique se a placa está ligada ao computador.")
                    .arg(device, given.symLinkTarget()));
        return refused(
            QStringLiteral("%1 does not exist. Is the board plugged in? USB serial adapters "
                           "appear as /dev/ttyUSB0 or /dev/ttyACM0; ls /dev/serial/by-id/ lists "
                           "them by name.")
                .arg(device),
            QStringLiteral("Não foi possível abrir %1: o dispositivo não existe. Verifique se a "
                           "placa está ligada ao computador; os adaptadores USB-serial aparecem "
                           "como /dev/ttyUSB0 ou /dev/ttyACM0.")
                .arg(device));
    case LineKind::LinkLoop:
        return refused(
            QStringLiteral("%1 is a loop of symbolic links, which leads to no device. Name the "
                           "port the board is plugged into, such as /dev/ttyUSB0.")
                .arg(device),
            QStringLiteral("Não foi possível abrir %1: %2. Escolha a porta em que a placa está "
                           "ligada, como /dev/ttyUSB0.")
                .arg(device, systemReason(ELOOP)));
    case LineKind::NotATerminal:
        return refused(
            QStringLiteral("%1 is not a serial device (a terminal or pseudo-terminal).")
                .arg(device),
            QStringLiteral("Não foi possível abrir %1: não é um dispositivo serial. Escolha a "
                           "porta em que a placa está ligada, como /dev/ttyUSB0.")
                .arg(device));
    case LineKind::TerminalNotLine:
        return refused(
            QStringLiteral("%1 is a terminal of this computer (a console or the terminal you "
                           "type in), not a serial line. Name the port the board is plugged "
                           "into, such as /dev/ttyUSB0.")
                .arg(device),
            portugueseRefusal(device, LineKind::TerminalNotLine));
    case LineKind::SystemConsole:
        return refused(
            QStringLiteral("%1 is the system console: the kernel writes its messages there. "
                           "Plug the board into another port, or ask the administrator to move "
                           "the console off it.")
                .arg(device),
            portugueseRefusal(device, LineKind::SystemConsole));
    case LineKind::SerialLine:
        break;
    }
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0)
        return permissionRefused(device, roots);
    if (given.isSymLink())
        return {true, given.absoluteFilePath(), {}, {}};
    const QString link = byIdLink(device, roots.dev);
    return {true, link.isEmpty() ? given.canonicalFilePath() : link, {}, {}};
}
