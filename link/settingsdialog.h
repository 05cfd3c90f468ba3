#pragma once

#include "link/serialsettings.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;

/// A port the system lists, as the dialog offers it.
struct ListedPort
{
    QString name; // what is applied when it is chosen, "ttyUSB0"
    QString description;
    QString manufacturer;
    QString location; // its device node
    QString serialNumber;
};

// Edits a copy of the link's settings: the settings come in, the confirmed ones go out.
// The dialog never touches the port itself.
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(const SerialSettings &settings, QWidget *parent = nullptr,
                            const QList<ListedPort> &ports = systemPorts());

    /// The serial ports the system lists now.
    static QList<ListedPort> systemPorts();

    /// The settings as the user left them.
    SerialSettings settings() const;

    void accept() override;

private:
    void setUpPortField(const QString &current, const QList<ListedPort> &ports);
    void fillLineParameters(const SerialSettings &settings);
    void layOut();
    void fillPortList(const QString &current, const QList<ListedPort> &ports);
    void showPortInfo(int index);

    SerialSettings m_initial;
    QComboBox *m_portBox;
    QLabel *m_descriptionLabel;
    QLabel *m_manufacturerLabel;
    QLabel *m_locationLabel;
    QLabel *m_serialNumberLabel;
    QComboBox *m_baudRateBox;
    QComboBox *m_dataBitsBox;
    QComboBox *m_parityBox;
    QComboBox *m_stopBitsBox;
    QComboBox *m_flowControlBox;
    QCheckBox *m_dtrCheck;
    QCheckBox *m_rtsCheck;
};
