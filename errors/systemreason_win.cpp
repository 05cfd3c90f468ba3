#include "errors/systemreason.h"

#include <QHash>

#include <windows.h>

namespace {

// What a serial port or a file on Windows fails with. A COM port held by another program
// is refused as access denied; a USB adapter pulled out fails its calls with a device
// that does not work or does not know the command.
const QHash<int, QString> &reasons()
{
    static const QHash<int, QString> table = {
        {ERROR_FILE_NOT_FOUND, QStringLiteral("o arquivo, a pasta ou o dispositivo não existe")},
        {ERROR_PATH_NOT_FOUND, QStringLiteral("uma pasta do caminho não existe")},
        {ERROR_ACCESS_DENIED, QStringLiteral("acesso negado")},
        {ERROR_NOT_ENOUGH_MEMORY, QStringLiteral("falta memória")},
        {ERROR_OUTOFMEMORY, QStringLiteral("falta memória")},
        {ERROR_WRITE_PROTECT, QStringLiteral("o disco está protegido contra gravação")},
        {ERROR_NOT_READY, QStringLiteral("o dispositivo não está pronto")},
        {ERROR_BAD_COMMAND, QStringLiteral("o dispositivo não reconhece o comando")},
        {ERROR_GEN_FAILURE, QStringLiteral("o dispositivo não está funcionando")},
        {ERROR_SHARING_VIOLATION, QStringLiteral("o arquivo está aberto em outro programa")},
        {ERROR_LOCK_VIOLATION, QStringLiteral("outro programa bloqueou uma parte do arquivo")},
        {ERROR_HANDLE_DISK_FULL, QStringLiteral("o disco está cheio")},
        {ERROR_DISK_FULL, QStringLiteral("o disco está cheio")},
        {ERROR_NOT_SUPPORTED, QStringLiteral("o dispositivo não aceita essa operação")},
        {ERROR_BAD_NETPATH, QStringLiteral("o caminho de rede não foi encontrado")},
        {ERROR_DEV_NOT_EXIST, QStringLiteral("o recurso de rede não está mais disponível")},
        {ERROR_NETNAME_DELETED, QStringLiteral("o compartilhamento de rede não está mais "
                                               "disponível")},
        {ERROR_FILE_EXISTS, QStringLiteral("o arquivo já existe")},
        {ERROR_ALREADY_EXISTS, QStringLiteral("o arquivo já existe")},
        {ERROR_INVALID_PARAMETER, QStringLiteral("o dispositivo não aceita esse valor "
                                                 "(parâmetro inválido)")},
        {ERROR_SEM_TIMEOUT, QStringLiteral("o tempo de espera se esgotou")},
        {ERROR_INVALID_NAME, QStringLiteral("o nome do arquivo ou da pasta não é válido")},
        {ERROR_FILENAME_EXCED_RANGE, QStringLiteral("o nome é longo demais")},
        {ERROR_FILE_TOO_LARGE, QStringLiteral("o arquivo chegou ao maior tamanho permitido")},
        {ERROR_DIRECTORY, QStringLiteral("o nome da pasta não é válido")},
        {ERROR_OPERATION_ABORTED, QStringLiteral("a operação foi interrompida")},
        {ERROR_IO_DEVICE, QStringLiteral("erro de entrada e saída no dispositivo")},
        {ERROR_DEVICE_NOT_CONNECTED, QStringLiteral("o dispositivo não está conectado")},
    };
    return table;
}

} // namespace

const int kNotFoundError = ERROR_FILE_NOT_FOUND;
const int kTimedOutError = ERROR_SEM_TIMEOUT;

QString systemReason(int error)
{
    return reasons().value(error, QStringLiteral("erro do sistema número %1").arg(error));
}

QString failureReason(int, const QString &qtText)
{
    const int quoted = errorNumberOf(qtText);
    return quoted != 0 ? systemReason(quoted) : qtText;
}

int errorNumberOf(const QString &text)
{
    // Qt quotes the system's own text for a code, as qt_error_string() gives it.
    const auto &table = reasons();
    for (auto it = table.keyBegin(); it != table.keyEnd(); ++it) {
        if (text == qt_error_string(*it))
            return *it;
    }
    return 0;
}
