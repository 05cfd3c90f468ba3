#include "link/comport.h"

#include "errors/exception.h"
#include "link/linkerrors.h"
#include "link/portnaming.h"
#include "link/settingsdialog.h"

#include <QSerialPort>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr int kReplugCheckIntervalMs = 1000;

} // namespace

ComPort::ComPort(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
    , m_replugCheck(new QTimer(this))
{
    m_replugCheck->setInterval(kReplugCheckIntervalMs);
    m_replugCheck->setTimerType(Qt::VeryCoarseTimer);
    connect(m_replugCheck, &QTimer::timeout, this, &ComPort::lookForLostDevice);
    m_sinceStart.start();
    m_clock = [this] { return m_sinceStart.elapsed(); };
    connect(m_port, &QSerialPort::readyRead, this, &ComPort::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onErrorOccurred(error); });
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
    if (m_port->isOpen())
        return;
    const QString device = devicePathForPort(m_settings.port);
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
    m_openedNode = deviceNode(device);
    m_replugCheck->stop();
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
    m_replugCheck->stop();
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
        m_replugCheck->stop(); // the user moved on: the lost device is not wanted back
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
    const std::int64_t now = m_clock();
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
    // A vanished device makes Qt repeat this error in a tight loop, with a misleading
    // text and the port still open: close at the first one and report that once.
    if (!m_port->isOpen())
        return;
    closeDevice();
    m_pathWentAway = false;
    m_replugCheck->start();
    emit linkLost(linkLostMessage(m_settings.port));
}

void ComPort::lookForLostDevice()
{
    // A path that still leads to the node that failed is the dead device (a pseudo-terminal
    // whose other side is gone, a port still held): re-opening it would only fail again.
    // Once the path has gone or leads elsewhere, a device has been plugged in there.
    const DeviceNode node = deviceNode(devicePathForPort(m_settings.port));
    if (!node) {
        m_pathWentAway = true;
        return;
    }
    if (!m_pathWentAway && node == m_openedNode)
        return;
    try {
        Open();
        ClearBuffer(true, true); // as at start-up: nothing from before the re-plug
    } catch (const Exception &) {
        // Not usable yet (its access rights still being set, say): the next check tries again.
    }
}

ComPort::DeviceNode ComPort::deviceNode(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    if (::stat(path.toLocal8Bit().constData(), &info) == 0)
        return std::pair(quint64(info.st_dev), quint64(info.st_ino));
#else
    Q_UNUSED(path);
#endif
    return std::nullopt;
}
