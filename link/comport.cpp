#include "link/comport.h"

#include "devices/portdevice.h"
#include "errors/exception.h"
#include "link/hangup.h"
#include "link/lostboardwatch.h"
#include "link/portnaming.h"
#include "link/settingsdialog.h"

#include <QDateTime>
#include <QSerialPort>

#include <algorithm>
#include <chrono>

ComPort::ComPort(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
    , m_lostBoard(new LostBoardWatch(this))
{
    m_sinceStart.start();
    connect(m_port, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &ComPort::onErrorOccurred);
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

QString ComPort::portLabel() const
{
    return m_label.isEmpty() ? describePort(m_settings.port) : m_label;
}

void ComPort::Open()
{
    if (m_port->isOpen())
        return;
    m_label.clear();
    if (const std::optional<OpenFailure> failure = openDevice(devicePathForPort(m_settings.port)))
        throw Exception(openFailureMessage(m_settings.port, *failure));
}

std::optional<OpenFailure> ComPort::openDevice(const QString &device)
{
    if (const std::optional<OpenFailure> refused = refusedTerminal(device))
        return refused;
    m_port->setPortName(device);
    m_port->setBaudRate(m_settings.baudRate);
    m_port->setDataBits(m_settings.dataBits);
    m_port->setParity(m_settings.parity);
    m_port->setStopBits(m_settings.stopBits);
    m_port->setFlowControl(m_settings.flowControl);
    if (!m_port->open(QIODevice::ReadWrite))
        return classifyOpenFailure(m_port->error(), m_port->errorString(), device);
    applyControlLines();
    m_input.clear();
    m_openedDevice = device;
    m_label = describePort(m_settings.port, device);
    m_openedPseudoTerminal = isPseudoTerminal(device);
    m_lostBoard->remember(device);
    emit connectionChanged(true);
    return std::nullopt;
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
    if (settings.port != previous.port) {
        m_lostBoard->stop(); // the user moved on: the lost board is not wanted back
        m_label.clear();
    }
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
        const QString reason = serialReason(m_port->error(), m_port->errorString());
        applyLine(previous);
        m_settings = previous;
        throw Exception(settingsFailureMessage(portLabel(), reason));
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
        throw Exception(closedPortMessage(portLabel()));
    return static_cast<int>(m_input.size());
}

std::vector<ArrivedByte> ComPort::WaitingBytes() const
{
    return {m_input.begin(), m_input.end()};
}

int ComPort::Read(char *buffer, int count)
{
    if (!m_port->isOpen())
        throw Exception(closedPortMessage(portLabel()));
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
        throw Exception(closedPortMessage(portLabel()));
    const qint64 written = m_port->write(buffer, count);
    if (written < 0)
        throw Exception(
            writeFailureMessage(portLabel(), serialReason(m_port->error(), m_port->errorString())));
    return static_cast<int>(written);
}

bool ComPort::ShowSetupDialog(QWidget *parent)
{
    SettingsDialog dialog(m_settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    applySettings(dialog.settings());
    return true;
}

void ComPort::onReadyRead()
{
    const QByteArray data = m_port->readAll();
    if (data.isEmpty())
        return;
    const std::int64_t now = m_sinceStart.elapsed();
    m_lastArrival = {std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count(),
                     QDateTime::currentMSecsSinceEpoch()};
    for (char byte : data)
        m_input.push_back({static_cast<std::uint8_t>(byte), now});
    emit OnRxChar(static_cast<int>(m_input.size()));
}

void ComPort::onErrorOccurred(QSerialPort::SerialPortError error)
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
    if (!deviceHungUp(*m_port)) {
        // The device is still there, and still ours: a passing fault, which the next poll
        // gets past. After a resource error Qt reads no more, so the same device is
        // opened again at once; it cannot have gone to another program while we held it.
        // Qt's text for these is often another call's, or misleading: the kind says it.
        const QString reason = serialReason(error, QString());
        m_port->clearError();
        if (error != QSerialPort::ResourceError || reopenSameDevice()) {
            emit linkFault(linkFaultMessage(portLabel(), reason));
            return;
        }
    }
    // A vanished device makes Qt repeat its error in a tight loop, with a misleading text
    // and the port still open: close at the first one and report that once.
    closeDevice();
    m_lostBoard->start();
    const LostBoard future = m_lostBoard->canRecognise() ? LostBoard::ComesBack
                             : m_openedPseudoTerminal    ? LostBoard::PseudoTerminalGone
                                                         : LostBoard::OpenAgain;
    emit linkLost(linkLostMessage(portLabel(), future));
}

bool ComPort::reopenSameDevice()
{
    closeDevice();
    return !openDevice(m_openedDevice);
}

void ComPort::reopenFoundBoard(const QString &device)
{
    // Not usable yet (its access rights still being set, say): the next look tries again.
    if (!openDevice(device))
        ClearBuffer(true, true); // as at start-up: nothing from before the re-plug
}
