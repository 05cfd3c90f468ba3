#include "devices/terminalrefusal.h"

QString terminalRefusal(LineKind kind)
{
    switch (kind) {
    case LineKind::TerminalNotLine:
        // Opened, it would be set raw and polled, and whoever types in it would suffer.
        return QStringLiteral("é um terminal do próprio computador (um console ou o terminal "
                              "em que se digita), e não uma linha serial. Escolha a porta em "
                              "que a placa está ligada, como /dev/ttyUSB0.");
    case LineKind::SystemConsole:
        return QStringLiteral("é o console do sistema, onde o kernel escreve as suas mensagens. "
                              "Ligue a placa em outra porta, ou peça ao administrador que tire o "
                              "console dela.");
    default:
        return {};
    }
}
