#pragma once

#include <QString>

/// Why writing a file failed, in the user's words, from the system's error number:
/// "o disco está cheio" for ENOSPC, and so on.
QString fileErrorReason(int error);
