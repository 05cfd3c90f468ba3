#include "link/linkerrors.h"

#include "devices/terminalrefusal.h"
#include "errors/systemreason.h"
#include "link/portnaming.h"

#include <QMap>

namespace {

QString openPrefix(const QString &port)
{
    return QStringLiteral("Não foi possível abrir a porta ") + port + QStringLiteral(": ");
}

} // namespace

QString serialReason(QSerialPort::SerialPortError error, const QString &qtText)
{
    if (const int number = errorNumberOf(qtText))
        return systemReason(number);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return systemReason(kNotFoundError);
    case QSerialPort::PermissionError:
        return QStringLiteral("o dispositivo está em uso por outro programa");
    case QSerialPort::OpenError:
        return QStringLiteral("a porta já está aberta");
    case QSerialPort::ReadError:
        return QStringLiteral("a leitura do dispositivo falhou");
    case QSerialPort::WriteError:
        return QStringLiteral("a escrita no dispositivo falhou");
    case QSerialPort::ResourceError:
        return QStringLiteral("o dispositivo ficou indisponível por um momento");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("o dispositivo não aceita essa operação");
    case QSerialPort::TimeoutError:
        return systemReason(kTimedOutError);
    case QSerialPort::NotOpenError:
        return QStringLiteral("a porta não está aberta");
    default:
        return QStringLiteral("erro desconhecido");
    }
}

std::optional<OpenFailure> refusedTerminal(const QString &device, const MachineRoots &roots)
{
    switch (lineKind(device, roots)) {
    case LineKind::TerminalNotLine:
        return OpenFailure{OpenFailure::TerminalNotLine};
    case LineKind::SystemConsole:
        return OpenFailure{OpenFailure::SystemConsole};
    default:
        return std::nullopt;
    }
}

QString openFailureMessage(const QString &port, const OpenFailure &failure)
{
    const QString prefix = openPrefix(describePort(port));
    switch (failure.kind) {
    case OpenFailure::Missing:
        return prefix
               + QStringLiteral("o dispositivo não existe. Verifique se a placa está ligada "
                                "ao computador e se o nome da porta está certo.");
    case OpenFailure::PermissionDenied:
    case OpenFailure::NoHardware:
        return prefix + platformOpenReason(port, failure);
    case OpenFailure::Busy:
        return prefix
               + QStringLiteral("a porta está em uso por outro programa. Feche esse "
                                "programa e tente de novo.");
    case OpenFailure::TerminalNotLine:
        return prefix + terminalRefusal(LineKind::TerminalNotLine);
    case OpenFailure::SystemConsole:
        return prefix + terminalRefusal(LineKind::SystemConsole);
    case OpenFailure::Other:
        break;
    }
    return prefix + systemReason(failure.error) + QLatin1Char('.');
}

QString closedPortMessage(const QString &port)
{
    return QStringLiteral("A porta ") + port
           + QStringLiteral(" está fechada. Use \"Configurar Serial\" para abri-la de novo.");
}

QString writeFailureMessage(const QString &port, const QString &reason)
{
    return QStringLiteral("Não foi possível enviar o comando pela porta ") + port
           + QStringLiteral(": ") + reason + QLatin1Char('.');
}

QString settingsFailureMessage(const QString &port, const QString &reason)
{
    return QStringLiteral("Não foi possível aplicar as configurações à porta ") + port
           + QStringLiteral(": ") + reason + QLatin1Char('.');
}

QString linkLostMessage(const QString &port, LostBoard future)
{
    const QString lost = QStringLiteral("A ligação pela porta ") + port
                         + QStringLiteral(" foi perdida: o dispositivo deixou de responder (foi "
                                          "desconectado?). A porta foi fechada; ");
    switch (future) {
    case LostBoard::ComesBack:
        return lost
               + QStringLiteral("o programa vai abri-la de novo sozinho quando a mesma placa "
                                "voltar. Para usar outra porta, use \"Configurar Serial\".");
    case LostBoard::PseudoTerminalGone:
        // A pseudo-terminal closed by its program is gone for good, and its number goes to
        // the next program that asks for one.
        return lost
               + QStringLiteral("ela era o pseudoterminal de uma placa simulada, que não "
                                "volta. Inicie a placa simulada de novo e abra o programa "
                                "com o dispositivo que ela mostrar (por exemplo: "
                                "sensor-viewer-on /dev/pts/N), ou use sensor-viewer-demo.");
    case LostBoard::OpenAgain:
        break;
    }
    return lost + QStringLiteral("use \"Configurar Serial\" para abri-la de novo.");
}

QString linkFaultMessage(const QString &port, const QString &reason)
{
    return QStringLiteral("Houve uma falha na comunicação pela porta ") + port
           + QStringLiteral(": ") + reason
           + QStringLiteral(". A ligação continua aberta; se a falha se repetir, verifique o "
                            "cabo e o adaptador.");
}

QString silentBoardMessage(const QString &port, const SerialSettings &line, int polls)
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
    // One arg() over all the parts: the port name is the user's, and may hold "%1".
    return QStringLiteral("A placa não responde pela porta %1: %2 pedidos seguidos ficaram "
                          "sem resposta, a %3 baud, %4 bits de dados, %5, %6 de parada. "
                          "Verifique se a placa está ligada e alimentada e se o cabo está "
                          "bem conectado. Se estiver, a placa pode estar em outra porta ou "
                          "usar outra velocidade: escolha-as em \"Configurar Serial\".")
        .arg(port, QString::number(polls), QString::number(line.baudRate),
             QString::number(static_cast<int>(line.dataBits)), parity.value(line.parity), stopBits);
}
