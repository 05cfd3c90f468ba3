#include "link/linkerrors.h"

#include "link/portnaming.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::Missing;
    case QSerialPort::PermissionError:
#ifdef Q_OS_UNIX
    {
        const QByteArray path = device.toLocal8Bit();
        if (::access(path.constData(), R_OK | W_OK) != 0)
            return errno == ENOENT ? OpenFailure::Missing : OpenFailure::PermissionDenied;
        return OpenFailure::Busy;
    }
#else
        return qtText.contains(QLatin1String("denied"), Qt::CaseInsensitive)
                   ? OpenFailure::PermissionDenied
                   : OpenFailure::Busy;
#endif
    case QSerialPort::OpenError:
        return OpenFailure::Busy;
    default:
        Q_UNUSED(qtText);
        return OpenFailure::Other;
    }
}

QString deviceGroup(const QString &device)
{
#ifdef Q_OS_UNIX
    // Joining a group helps only if that group may read and write the device, and joining
    // root is never the advice to give.
    struct stat info = {};
    if (::stat(device.toLocal8Bit().constData(), &info) != 0 || info.st_gid == 0
        || (info.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    if (const struct group *owner = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return {};
#else
    Q_UNUSED(device);
    return {};
#endif
}

QString openFailureMessage(const QString &port, OpenFailure failure, const QString &qtText)
{
    const QString prefix =
        QStringLiteral("Não foi possível abrir a porta %1: ").arg(describePort(port));
    switch (failure) {
    case OpenFailure::Missing:
        return prefix
               + QStringLiteral("o dispositivo não existe. Verifique se a placa está ligada "
                                "ao computador e se o nome da porta está certo.");
    case OpenFailure::PermissionDenied: {
        const QString device = devicePathForPort(port);
        const QString group = deviceGroup(device);
        if (group.isEmpty())
            return prefix
                   + QStringLiteral("permissão negada. Nenhum grupo de usuários pode ler e "
                                    "escrever em %1. Peça ao administrador que dê esse acesso "
                                    "ao grupo \"dialout\", o grupo de costume das portas "
                                    "seriais (por exemplo, com uma regra do udev), e que inclua "
                                    "o seu usuário nesse grupo.")
                         .arg(device);
        return prefix
               + QStringLiteral("permissão negada. Para usar %1, o seu usuário precisa "
                                "pertencer ao grupo \"%2\" (por exemplo: sudo usermod -aG "
                                "%2 $USER) e entrar de novo na sessão.")
                     .arg(device, group);
    }
    case OpenFailure::Busy:
        return prefix
               + QStringLiteral("a porta está em uso por outro programa. Feche esse "
                                "programa e tente de novo.");
    case OpenFailure::Other:
        break;
    }
    return prefix + qtText + QLatin1Char('.');
}

QString closedPortMessage(const QString &port)
{
    return QStringLiteral("A porta %1 está fechada. Use \"Configurar Serial\" para abri-la "
                          "de novo.")
        .arg(describePort(port));
}

QString writeFailureMessage(const QString &port, const QString &qtText)
{
    return QStringLiteral("Não foi possível enviar o comando pela porta %1: %2.")
        .arg(describePort(port), qtText);
}

QString settingsFailureMessage(const QString &port, const QString &qtText)
{
    return QStringLiteral("Não foi possível aplicar as configurações à porta %1: %2.")
        .arg(describePort(port), qtText);
}

QString linkLostMessage(const QString &port)
{
    return QStringLiteral("A ligação pela porta %1 foi perdida: o dispositivo deixou de "
                          "responder (foi desconectado?). A porta foi fechada; use "
                          "\"Configurar Serial\" para abri-la de novo.")
        .arg(describePort(port));
}
