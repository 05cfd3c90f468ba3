#include "link/comport.h"

#include "errors/exception.h"
#include "link/linkerrors.h"
#include "link/lostboardwatch.h"
#include "link/portnaming.h"
#include "link/settingsdialog.h"

#include <QSerialPort>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

ComPort::ComPort(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
    , m_lostBoard(new LostBoardWatch(this))
{
    m_sinceStart.start();
    connect(m_port, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onErrorOccurred(error); });
    connect(m_lostBoard, &LostBoardWatch::boardBack, this, &ComPort::reopenFoundBoard);
}

ComPort::~ComPort()
{
    closeDevice();
}

bool ComPort::Connected() const
{
    return m_port->isOpen();
}

void ComPort::Open()
{
    if (!m_port->isOpen())
        openDevice(devicePathForPort(m_settings.port));
}

void ComPort::openDevice(const QString &device)
{
    m_port->setPortName(device);
    m_port->setBaudRate(m_settings.baudRate);
    m_port->setDataBits(m_settings.dataBits);
    m_port->setParity(m_settings.parity);
    m_port->setStopBits(m_settings.stopBits);
    m_port->setFlowControl(m_settings.flowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const OpenFailure failure =
            classifyOpenFailure(m_port->error(), m_port->errorString(), device);
        throw Exception(openFailureMessage(m_settings.port, failure, m_port->errorString()));
    }
    applyControlLines();
    m_input.clear();
    m_openedDevice = device;
    m_lostBoard->remember(device);
    emit connectionChanged(true);
}

void ComPort::applyControlLines()
{
    // A pseudo-terminal or an adapter without modem lines refuses these
    // (UnsupportedOperationError); the link works all the same, so that is not a failure.
    m_port->setDataTerminalReady(m_settings.dataTerminalReady);
    if (m_settings.flowControl != QSerialPort::HardwareControl)
        m_port->setRequestToSend(m_settings.requestToSend);
}

void ComPort::Close()
{
    m_lostBoard->stop();
    closeDevice();
}

void ComPort::closeDevice()
{
    m_input.clear();
    if (!m_port->isOpen())
        return;
    m_port->close();
    emit connectionChanged(false);
}

void ComPort::applySettings(const SerialSettings &settings)
{
    const bool reopen = settings.port != m_settings.port || !m_port->isOpen();
    const SerialSettings previous = m_settings;
    m_settings = settings;
    if (settings.port != previous.port)
        m_lostBoard->stop(); // the user moved on: the lost board is not wanted back
    if (reopen) {
        closeDevice();
        Open();
        return;
    }
    const auto applyLine = [this](const SerialSettings &line) {
        return m_port->setBaudRate(line.baudRate) && m_port->setDataBits(line.dataBits)
               && m_port->setParity(line.parity) && m_port->setStopBits(line.stopBits)
               && m_port->setFlowControl(line.flowControl);
    };
    if (!applyLine(settings)) {
        // Some devices refuse some settings (a pseudo-terminal keeps 8 bits, no parity).
        // Put back what was in force, so that settings() tells what the link runs with.
        const QString reason = m_port->errorString();
        applyLine(previous);
        m_settings = previous;
        throw Exception(settingsFailureMessage(settings.port, reason));
    }
    applyControlLines();
}

void ComPort::ClearBuffer(bool input, bool output)
{
    if (input)
        m_input.clear();
    if (!m_port->isOpen())
        return;
    if (input && output)
        m_port->clear(QSerialPort::AllDirections);
    else if (input)
        m_port->clear(QSerialPort::Input);
    else if (output)
        m_port->clear(QSerialPort::Output);
}

int ComPort::InputCount() const
{
    if (!m_port->isOpen())
        throw Exception(closedPortMessage(m_settings.port));
    return static_cast<int>(m_input.size());
}

std::vector<ArrivedByte> ComPort::WaitingBytes() const
{
    return {m_input.begin(), m_input.end()};
}

int ComPort::Read(char *buffer, int count)
{
    if (!m_port->isOpen())
        throw Exception(closedPortMessage(m_settings.port));
    const int moved = std::clamp(count, 0, InputCount());
    for (int i = 0; i < moved; ++i) {
        buffer[i] = static_cast<char>(m_input.front().value);
        m_input.pop_front();
    }
    return moved;
}

int ComPort::Write(const char *buffer, int count)
{
    if (!m_port->isOpen())
        throw Exception(closedPortMessage(m_settings.port));
    const qint64 written = m_port->write(buffer, count);
    if (written < 0)
        throw Exception(writeFailureMessage(m_settings.port, m_port->errorString()));
    return static_cast<int>(written);
}

void ComPort::ShowSetupDialog(QWidget *parent)
{
    SettingsDialog dialog(m_settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applySettings(dialog.settings());
}

void ComPort::onReadyRead()
{
    const QByteArray data = m_port->readAll();
    if (data.isEmpty())
        return;
    const std::int64_t now = m_sinceStart.elapsed();
    for (char byte : data)
        m_input.push_back({static_cast<std::uint8_t>(byte), now});
    emit OnRxChar(static_cast<int>(m_input.size()));
}

void ComPort::onErrorOccurred(int error)
{
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
        break;
    default:
        // Open failures are raised by Open() itself; control lines a pseudo-terminal
        // lacks are not failures; NoError comes with every open.
        return;
    }
    if (!m_port->isOpen())
        return;
    if (!deviceHungUp()) {
        // The device is still there, and still ours: a passing fault, which the next poll
        // gets past. After a resource error Qt reads no more, so the same device is
        // opened again at once; it cannot have gone to another program while we held it.
        const QString reason = m_port->errorString();
        m_port->clearError();
        if (error != QSerialPort::ResourceError || reopenSameDevice()) {
            emit linkFault(linkFaultMessage(m_settings.port, reason));
            return;
        }
    }
    // A vanished device makes Qt repeat its error in a tight loop, with a misleading text
    // and the port still open: close at the first one and report that once.
    closeDevice();
    m_lostBoard->start();
    emit linkLost(linkLostMessage(m_settings.port, m_lostBoard->canRecognise()));
}

bool ComPort::deviceHungUp() const
{
#ifdef Q_OS_UNIX
    // A pulled adapter, or a pseudo-terminal whose other side closed, is hung up for good.
    // Asked for no events, poll() reports only a hang-up, an error or a closed handle.
    pollfd device{static_cast<int>(m_port->handle()), 0, 0};
    return ::poll(&device, 1, 0) > 0;
#else
    return true;
#endif
}

bool ComPort::reopenSameDevice()
{
    closeDevice();
    try {
        openDevice(m_openedDevice);
        return true;
    } catch (const Exception &) {
        return false;
    }
}

void ComPort::reopenFoundBoard(const QString &device)
{
    try {
        openDevice(device);
        ClearBuffer(true, true); // as at start-up: nothing from before the re-plug
    } catch (const Exception &) {
        // Not usable yet (its access rights still being set, say): the next look tries again.
    }
}
