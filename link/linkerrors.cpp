#include "link/linkerrors.h"

#include "link/portnaming.h"

#include <QFile>
#include <QMap>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

// Whether the device is a built-in port (8250 family) whose UART sysfs reports as of
// unknown type: a port the firmware lists with nothing behind it.
bool isPortWithoutUart(const QString &device, const QString &sysRoot)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    QFile type(QStringLiteral("%1/dev/char/%2:%3/type")
                   .arg(sysRoot)
                   .arg(major(info.st_rdev))
                   .arg(minor(info.st_rdev)));
    return type.open(QIODevice::ReadOnly) && type.readLine().trimmed() == "0";
#else
    Q_UNUSED(device);
    Q_UNUSED(sysRoot);
    return false;
#endif
}

} // namespace

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &device, const QString &sysRoot)
{
#ifdef Q_OS_UNIX
    // Opening a built-in port with no UART behind it fails with EIO.
    if (qtText == QString::fromLocal8Bit(std::strerror(EIO)) || isPortWithoutUart(device, sysRoot))
        return OpenFailure::NoHardware;
#endif
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
    QFile overflow(QStringLiteral("/proc/sys/kernel/overflowgid"));
    const gid_t unknownGroup =
        overflow.open(QIODevice::ReadOnly) ? overflow.readLine().trimmed().toUInt() : 65534;
    if (info.st_gid == unknownGroup)
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
    case OpenFailure::NoHardware:
        return prefix
               + QStringLiteral("não há hardware de porta serial em %1. Se a placa está "
                                "ligada por um adaptador USB, abra o programa pelo menu "
                                "(\"" SENSOR_VIEWER_MENU_NAME "\"), que procura a placa, ou use "
                                "sensor-viewer-on com o dispositivo do adaptador (por "
                                "exemplo: sensor-viewer-on /dev/ttyUSB0).")
                     .arg(port);
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

QString linkLostMessage(const QString &port, bool comesBack)
{
    const QString lost = QStringLiteral("A ligação pela porta %1 foi perdida: o dispositivo "
                                        "deixou de responder (foi desconectado?). ")
                             .arg(describePort(port));
    if (comesBack)
        return lost
               + QStringLiteral("A porta foi fechada; o programa vai abri-la de novo "
                                "sozinho quando a mesma placa voltar. Para usar outra "
                                "porta, use \"Configurar Serial\".");
    return lost
           + QStringLiteral("A porta foi fechada; use \"Configurar Serial\" para abri-la "
                            "de novo.");
}

QString linkFaultMessage(const QString &port, const QString &qtText)
{
    return QStringLiteral("Houve uma falha na comunicação pela porta %1: %2. A ligação "
                          "continua aberta; se a falha se repetir, verifique o cabo e o "
                          "adaptador.")
        .arg(describePort(port), qtText);
}

QString silentBoardMessage(const SerialSettings &line, int polls)
{
    static const QMap<QSerialPort::Parity, QString> parity = {
        {QSerialPort::NoParity, QStringLiteral("sem paridade")},
        {QSerialPort::EvenParity, QStringLiteral("paridade par")},
        {QSerialPort::OddParity, QStringLiteral("paridade ímpar")},
        {QSerialPort::MarkParity, QStringLiteral("paridade marca")},
        {QSerialPort::SpaceParity, QStringLiteral("paridade espaço")},
    };
    const QString stopBits = line.stopBits == QSerialPort::OneStop   ? QStringLiteral("1 bit")
                             : line.stopBits == QSerialPort::TwoStop ? QStringLiteral("2 bits")
                                                                     : QStringLiteral("1,5 bit");
    return QStringLiteral("A placa não responde pela porta %1: %2 pedidos seguidos ficaram "
                          "sem resposta, a %3 baud, %4 bits de dados, %5, %6 de parada. "
                          "Verifique se a placa está ligada e alimentada e se o cabo está "
                          "bem conectado. Se estiver, a placa pode estar em outra porta ou "
                          "usar outra velocidade: escolha-as em \"Configurar Serial\".")
        .arg(describePort(line.port))
        .arg(polls)
        .arg(line.baudRate)
        .arg(static_cast<int>(line.dataBits))
        .arg(parity.value(line.parity), stopBits);
}
