#pragma once

#include "sim/pseudoterminal.h"

#include <string>

namespace e2e {

// The board's side of a pseudo-terminal whose other side the program opens as COM2.
using Board = PseudoTerminal;

// The two bytes the board sends for `volts`.
std::string frame(double volts);

} // namespace e2e
