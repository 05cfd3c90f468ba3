#include "link/hangup.h"

#include <QSerialPort>

#include <poll.h>

bool deviceHungUp(const QSerialPort &port)
{
    // Asked for no events, poll() reports only a hang-up, an error or a closed handle.
    pollfd device{static_cast<int>(port.handle()), 0, 0};
    return ::poll(&device, 1, 0) > 0;
}
