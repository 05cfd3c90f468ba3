#include "link/linkerrors.h"

#include "devices/serialdevices.h"
#include "errors/systemreason.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device, const QString &sysRoot)
{
    const int qtError = errorNumberOf(qtText);
    if (qtError == EIO || isPortWithoutUart(device, sysRoot))
        return {OpenFailure::NoHardware, EIO};
    if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0) {
        const int refused = errno;
        if (refused == ENOENT)
            return {OpenFailure::Missing, refused};
        if (refused == EACCES)
            return {OpenFailure::PermissionDenied, refused};
        return {OpenFailure::Other, refused}; // a loop of links, a name too long...
    }
    // The device may be used, yet was refused: held by another program when the system
    // says it is busy, or Qt found its lock file taken (Qt's own text, no error number).
    if (qtError == EBUSY || (error == QSerialPort::PermissionError && qtError == 0))
        return {OpenFailure::Busy, EBUSY};
    return {OpenFailure::Other, qtError};
}

QString platformOpenReason(const QString &port, const OpenFailure &failure)
{
    switch (failure.kind) {
    case OpenFailure::PermissionDenied: {
        const QString device = devicePathForPort(port);
        const QString group = deviceGroup(device);
        if (group.isEmpty())
            return QStringLiteral("permissão negada. Nenhum grupo de usuários pode ler e "
                                  "escrever em %1. Peça ao administrador que dê esse acesso "
                                  "ao grupo \"dialout\", o grupo de costume das portas "
                                  "seriais (por exemplo, com uma regra do udev), e que inclua "
                                  "o seu usuário nesse grupo.")
                .arg(device);
        return QStringLiteral("permissão negada. Para usar %1, o seu usuário precisa "
                              "pertencer ao grupo \"%2\" (por exemplo: sudo usermod -aG "
                              "%2 $USER) e entrar de novo na sessão.")
            .arg(device, group);
    }
    case OpenFailure::NoHardware:
        return QStringLiteral("não há hardware de porta serial em %1. Se a placa está "
                              "ligada por um adaptador USB, abra o programa pelo menu "
                              "(\"" SENSOR_VIEWER_MENU_NAME "\"), que procura a placa, ou use "
                              "sensor-viewer-on com o dispositivo do adaptador (por "
                              "exemplo: sensor-viewer-on /dev/ttyUSB0).")
            .arg(port);
    default:
        return systemReason(failure.error) + QLatin1Char('.');
    }
}
