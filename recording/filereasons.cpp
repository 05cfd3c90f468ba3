#include "recording/filereasons.h"

#include <cerrno>
#include <cstring>

QString fileErrorReason(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("o disco está cheio");
    case EDQUOT:
        return QStringLiteral("a sua cota de espaço em disco acabou");
    case EFBIG:
        return QStringLiteral("o arquivo chegou ao maior tamanho permitido");
    case EACCES:
    case EPERM:
        return QStringLiteral("permissão negada");
    case EIO:
        return QStringLiteral("erro de leitura ou escrita no disco");
    case ENOENT:
        return QStringLiteral("o arquivo ou a sua pasta não existe mais");
    case EROFS:
        return QStringLiteral("o disco só permite leitura");
    case EISDIR:
        return QStringLiteral("o nome é de uma pasta");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
