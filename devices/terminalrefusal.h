#pragma once

#include "devices/portdevice.h"

#include <QString>

/// Why a tty that is no board's line is never opened as one, in Portuguese, to follow
/// "Não foi possível abrir PORT: ": the launcher's box and the link's say the same. For a
/// terminal (LineKind::TerminalNotLine) and the system's console; empty for other kinds.
QString terminalRefusal(LineKind kind);
