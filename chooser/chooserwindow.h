#pragma once

#include "devices/serialdevices.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;

// Lists the serial devices as they come and go, for the user to pick the board's; or the
// demo. A lone USB adapter is picked beforehand, so that one Enter opens it; a port of the
// computer itself never is, as it may be wired to anything. accept() with a device chosen,
// done(Demo) for the demo, reject() for neither.
class ChooserWindow : public QDialog
{
    Q_OBJECT
public:
    enum Result { Demo = 2 };

    explicit ChooserWindow(MachineRoots roots = {}, QWidget *parent = nullptr);

    // The device picked, once accepted.
    QString chosenPath() const;

    static constexpr int kRescanMs = 500;

private:
    void rescan();
    void openSelected();

    MachineRoots m_roots;
    QList<SerialDevice> m_devices;
    QLabel *m_heading;
    QTreeWidget *m_list;
    QDialogButtonBox *m_buttons;
    QPushButton *m_open;
    QTimer *m_rescan;
};
