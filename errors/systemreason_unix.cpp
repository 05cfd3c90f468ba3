#include "errors/systemreason.h"

#include <QHash>

#include <cerrno>
#include <cstring>

const int kNotFoundError = ENOENT;
const int kTimedOutError = ETIMEDOUT;

QString systemReason(int error)
{
    static const QHash<int, QString> reasons = {
        {EPERM, QStringLiteral("operação não permitida")},
        {ENOENT, QStringLiteral("o arquivo, a pasta ou o dispositivo não existe")},
        {EINTR, QStringLiteral("a operação foi interrompida")},
        {EIO, QStringLiteral("erro de entrada e saída no dispositivo")},
        {ENXIO, QStringLiteral("não há dispositivo nesse endereço")},
        {EAGAIN, QStringLiteral("o recurso está temporariamente indisponível")},
        {ENOMEM, QStringLiteral("falta memória")},
        {EACCES, QStringLiteral("permissão negada")},
        {EBUSY, QStringLiteral("o dispositivo está ocupado")},
        {EEXIST, QStringLiteral("o arquivo já existe")},
        {ENODEV, QStringLiteral("o dispositivo não existe")},
        {ENOTDIR, QStringLiteral("uma parte do caminho não é uma pasta")},
        {EISDIR, QStringLiteral("é uma pasta")},
        {EINVAL, QStringLiteral("o dispositivo não aceita esse valor (argumento inválido)")},
        {EMFILE, QStringLiteral("há arquivos abertos demais")},
        {ENOTTY, QStringLiteral("o dispositivo não é uma porta serial")},
        {ENOSPC, QStringLiteral("o disco está cheio")},
        {EROFS, QStringLiteral("o sistema de arquivos é somente leitura")},
        {EPIPE, QStringLiteral("a outra ponta foi fechada")},
        {ENAMETOOLONG, QStringLiteral("o nome é longo demais")},
        {ELOOP, QStringLiteral("os links simbólicos do caminho formam um laço")},
        {EDQUOT, QStringLiteral("a cota de disco foi excedida")},
        {EFBIG, QStringLiteral("o arquivo chegou ao maior tamanho permitido")},
        {ETIMEDOUT, QStringLiteral("o tempo de espera se esgotou")},
    };
    return reasons.value(error, QStringLiteral("erro do sistema número %1").arg(error));
}

QString failureReason(int saved, const QString &qtText)
{
    if (saved > 0)
        return systemReason(saved);
    const int quoted = errorNumberOf(qtText);
    return quoted != 0 ? systemReason(quoted) : qtText;
}

int errorNumberOf(const QString &text)
{
    // Linux's error numbers run from 1 to 133.
    for (int error = 1; error < 134; ++error) {
        if (text == QString::fromLocal8Bit(std::strerror(error)))
            return error;
    }
    return 0;
}
