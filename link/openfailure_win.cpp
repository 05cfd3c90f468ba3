#include "link/linkerrors.h"

#include "errors/systemreason.h"

#include <windows.h>

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString &qtText,
                                const QString &, const QString &)
{
    // Every user may open every COM port: Windows refuses one that another program holds
    // as access denied.
    const int code = errorNumberOf(qtText);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenFailure::Missing, code != 0 ? code : ERROR_FILE_NOT_FOUND};
    case QSerialPort::PermissionError:
        return {OpenFailure::Busy, ERROR_ACCESS_DENIED};
    default:
        return {OpenFailure::Other, code};
    }
}

QString platformOpenReason(const QString &, const OpenFailure &failure)
{
    // No permission of the user's own and no port without hardware: Windows lists only
    // the COM ports that have a driver.
    return systemReason(failure.error) + QLatin1Char('.');
}
