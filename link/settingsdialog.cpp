#include "link/settingsdialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSerialPortInfo>
#include <QVBoxLayout>

#include <initializer_list>
#include <utility>

namespace {

// Linux's highest named line speed is B4000000.
constexpr int kLowestBaud = 1;
constexpr int kHighestBaud = 4000000;

using Choices = std::initializer_list<std::pair<QString, int>>;

/// Offers the choices in the box, with the current value selected.
void fillChoices(QComboBox *box, const char *name, Choices choices, int current)
{
    box->setObjectName(QLatin1String(name));
    for (const auto &[text, value] : choices)
        box->addItem(text, value);
    const int index = box->findData(current);
    box->setCurrentIndex(std::max(index, 0));
}

QString orDash(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

SettingsDialog::SettingsDialog(const SerialSettings &settings, QWidget *parent,
                               const QList<ListedPort> &ports)
    : QDialog(parent)
    , m_initial(settings)
    , m_portBox(new QComboBox(this))
    , m_descriptionLabel(new QLabel(this))
    , m_manufacturerLabel(new QLabel(this))
    , m_locationLabel(new QLabel(this))
    , m_serialNumberLabel(new QLabel(this))
    , m_baudRateBox(new QComboBox(this))
    , m_dataBitsBox(new QComboBox(this))
    , m_parityBox(new QComboBox(this))
    , m_stopBitsBox(new QComboBox(this))
    , m_flowControlBox(new QComboBox(this))
    , m_dtrCheck(new QCheckBox(QStringLiteral("DTR ativo"), this))
    , m_rtsCheck(new QCheckBox(QStringLiteral("RTS ativo"), this))
{
    setWindowTitle(QStringLiteral("Configuração da porta serial"));
    setUpPortField(settings.port, ports);
    fillLineParameters(settings);
    layOut();
}

QList<ListedPort> SettingsDialog::systemPorts()
{
    QList<ListedPort> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.description(), info.manufacturer(),
                      info.systemLocation(), info.serialNumber()});
    return ports;
}

void SettingsDialog::setUpPortField(const QString &current, const QList<ListedPort> &ports)
{
    m_portBox->setObjectName(QStringLiteral("portBox"));
    m_portBox->setEditable(true);
    m_portBox->setInsertPolicy(QComboBox::NoInsert);
    m_portBox->lineEdit()->setPlaceholderText(QStringLiteral("COM2, ttyUSB0, /dev/..."));
    // What is typed is what is applied: an editable box would complete "ttyUSB" to the
    // first entry it starts, and a baud rate of "250000" to 2500000.
    m_portBox->setCompleter(nullptr);
    fillPortList(current, ports);
    connect(m_portBox, &QComboBox::currentIndexChanged, this, &SettingsDialog::showPortInfo);
}

void SettingsDialog::fillLineParameters(const SerialSettings &settings)
{
    m_baudRateBox->setObjectName(QStringLiteral("baudRateBox"));
    m_baudRateBox->setEditable(true);
    m_baudRateBox->setInsertPolicy(QComboBox::NoInsert);
    m_baudRateBox->setValidator(new QIntValidator(kLowestBaud, kHighestBaud, m_baudRateBox));
    m_baudRateBox->setCompleter(nullptr);
    for (qint32 rate : QSerialPortInfo::standardBaudRates())
        m_baudRateBox->addItem(QString::number(rate), rate);
    m_baudRateBox->setCurrentText(QString::number(settings.baudRate));

    fillChoices(m_dataBitsBox, "dataBitsBox",
                {{u"5"_qs, QSerialPort::Data5},
                 {u"6"_qs, QSerialPort::Data6},
                 {u"7"_qs, QSerialPort::Data7},
                 {u"8"_qs, QSerialPort::Data8}},
                settings.dataBits);
    fillChoices(m_parityBox, "parityBox",
                {{u"Nenhuma"_qs, QSerialPort::NoParity},
                 {u"Par"_qs, QSerialPort::EvenParity},
                 {u"Ímpar"_qs, QSerialPort::OddParity},
                 {u"Marca"_qs, QSerialPort::MarkParity},
                 {u"Espaço"_qs, QSerialPort::SpaceParity}},
                settings.parity);
    fillChoices(m_stopBitsBox, "stopBitsBox",
                {{u"1"_qs, QSerialPort::OneStop}, {u"2"_qs, QSerialPort::TwoStop}},
                settings.stopBits);
    fillChoices(m_flowControlBox, "flowControlBox",
                {{u"Nenhum"_qs, QSerialPort::NoFlowControl},
                 {u"RTS/CTS"_qs, QSerialPort::HardwareControl},
                 {u"XON/XOFF"_qs, QSerialPort::SoftwareControl}},
                settings.flowControl);

    m_dtrCheck->setObjectName(QStringLiteral("dtrCheck"));
    m_dtrCheck->setChecked(settings.dataTerminalReady);
    m_rtsCheck->setObjectName(QStringLiteral("rtsCheck"));
    m_rtsCheck->setChecked(settings.requestToSend);
    // With RTS/CTS flow control the driver owns the RTS line.
    const auto updateRts = [this] {
        m_rtsCheck->setEnabled(m_flowControlBox->currentData().toInt()
                               != QSerialPort::HardwareControl);
    };
    connect(m_flowControlBox, &QComboBox::currentIndexChanged, this, updateRts);
    updateRts();
}

void SettingsDialog::layOut()
{
    auto *portGroup = new QGroupBox(QStringLiteral("Porta"), this);
    auto *portForm = new QFormLayout(portGroup);
    portForm->addRow(QStringLiteral("Porta:"), m_portBox);
    portForm->addRow(QStringLiteral("Descrição:"), m_descriptionLabel);
    portForm->addRow(QStringLiteral("Fabricante:"), m_manufacturerLabel);
    portForm->addRow(QStringLiteral("Local:"), m_locationLabel);
    portForm->addRow(QStringLiteral("Número de série:"), m_serialNumberLabel);

    auto *lineGroup = new QGroupBox(QStringLiteral("Parâmetros da linha"), this);
    auto *lineForm = new QFormLayout(lineGroup);
    lineForm->addRow(QStringLiteral("Velocidade (baud):"), m_baudRateBox);
    lineForm->addRow(QStringLiteral("Bits de dados:"), m_dataBitsBox);
    lineForm->addRow(QStringLiteral("Paridade:"), m_parityBox);
    lineForm->addRow(QStringLiteral("Bits de parada:"), m_stopBitsBox);
    lineForm->addRow(QStringLiteral("Controle de fluxo:"), m_flowControlBox);
    auto *lines = new QHBoxLayout;
    lines->addWidget(m_dtrCheck);
    lines->addWidget(m_rtsCheck);
    lineForm->addRow(QStringLiteral("Linhas:"), lines);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto *layout = new QVBoxLayout(this);
    auto *groups = new QHBoxLayout;
    groups->addWidget(portGroup);
    groups->addWidget(lineGroup);
    layout->addLayout(groups);
    layout->addWidget(buttons);
}

void SettingsDialog::fillPortList(const QString &current, const QList<ListedPort> &ports)
{
    for (const ListedPort &port : ports)
        m_portBox->addItem(port.name, QStringList{port.description, port.manufacturer,
                                                  port.location, port.serialNumber});
    // The configured port is offered even when the system does not list it (it may be
    // unplugged, or a pseudo-terminal, which Qt never lists).
    int index = m_portBox->findText(current);
    if (index < 0) {
        m_portBox->insertItem(0, current);
        index = 0;
    }
    m_portBox->setCurrentIndex(index);
    showPortInfo(index);
}

void SettingsDialog::showPortInfo(int index)
{
    const QStringList info = m_portBox->itemData(index).toStringList();
    m_descriptionLabel->setText(orDash(info.value(0)));
    m_manufacturerLabel->setText(orDash(info.value(1)));
    m_locationLabel->setText(orDash(info.value(2)));
    m_serialNumberLabel->setText(orDash(info.value(3)));
}

SerialSettings SettingsDialog::settings() const
{
    SerialSettings out = m_initial;
    out.port = m_portBox->currentText().trimmed();
    out.baudRate = m_baudRateBox->currentText().toInt();
    out.dataBits = static_cast<QSerialPort::DataBits>(m_dataBitsBox->currentData().toInt());
    out.parity = static_cast<QSerialPort::Parity>(m_parityBox->currentData().toInt());
    out.stopBits = static_cast<QSerialPort::StopBits>(m_stopBitsBox->currentData().toInt());
    out.flowControl =
        static_cast<QSerialPort::FlowControl>(m_flowControlBox->currentData().toInt());
    out.dataTerminalReady = m_dtrCheck->isChecked();
    out.requestToSend = m_rtsCheck->isChecked();
    return out;
}

void SettingsDialog::accept()
{
    // Keep the dialog open on input that can't be applied, rather than fail afterwards.
    if (m_portBox->currentText().trimmed().isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Indique a porta serial."));
        return;
    }
    // The field takes a speed above the highest as it is typed, digit by digit.
    if (!m_baudRateBox->lineEdit()->hasAcceptableInput()) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("Indique uma velocidade válida, de %1 a %2 baud.")
                                 .arg(kLowestBaud)
                                 .arg(kHighestBaud));
        return;
    }
    QDialog::accept();
}
