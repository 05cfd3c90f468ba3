#include "link/hangup.h"

#include <QSerialPort>

#include <windows.h>

bool deviceHungUp(const QSerialPort &port)
{
    // A pulled adapter's driver fails every call on the handle, and takes its COM name away
    // from the system's devices.
    DWORD errors = 0;
    if (!::ClearCommError(port.handle(), &errors, nullptr))
        return true;
    wchar_t target[MAX_PATH];
    const std::wstring name = port.portName().toStdWString();
    return ::QueryDosDeviceW(name.c_str(), target, MAX_PATH) == 0;
}
