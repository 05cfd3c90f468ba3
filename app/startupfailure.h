#pragma once

#include "errors/exception.h"
#include "link/serialsettings.h"

#include <optional>

/// Tells the user why the link could not be opened as the program started, one file per
/// platform. On Linux that is all, and the program ends: its launcher is the way to a board
/// on another device. On Windows the box also offers "Configurar Serial", whose list names
/// the machine's COM ports by what they are; the settings confirmed there come back, to
/// start on. None when the program is to end.
std::optional<SerialSettings> reportStartFailure(const Exception &error,
                                                 const SerialSettings &tried);
