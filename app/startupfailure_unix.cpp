#include "app/startupfailure.h"

#include "errors/errorreporting.h"

std::optional<SerialSettings> reportStartFailure(const Exception &error, const SerialSettings &)
{
    ShowException(error);
    return std::nullopt;
}
