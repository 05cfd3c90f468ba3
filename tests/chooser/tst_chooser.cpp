#include "chooser/chooserwindow.h"
#include "chooser/serialdevices.h"
#include "support/fakemachine.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const FakeMachine::Adapter kFtdi{"FTDI", "FT232R USB UART", "A50285BI", "1-2"};
const QString kFtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

QStringList rowTexts(const ChooserWindow &window)
{
    QStringList rows;
    const auto *list = window.findChild<QTreeWidget *>();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->topLevelItem(i)->text(column);
        rows << cells.join(" | ");
    }
    return rows;
}

QPushButton *button(const ChooserWindow &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class TestChooser : public QObject
{
    Q_OBJECT
private slots:
    void adaptersAreNamedByMakerProductAndSerial();
    void adaptersWithoutUdevAreFoundByTheirNodes();
    void builtInPortsCountOnlyWithAUartBehind();
    void noDeviceOffersTheDemoAndShowsOnePluggedInLater();
};

void TestChooser::adaptersAreNamedByMakerProductAndSerial()
{
    FakeMachine machine;
    machine.plugAdapter("ttyUSB0", kFtdi, kFtdiById);
    machine.plugAdapter("ttyACM0", {"Arduino (www.arduino.cc)", "Arduino Uno", "7563331", "1-1"},
                        "usb-Arduino__www.arduino.cc__0043_7563331-if00");
    machine.addLink("usb-Prolific_gone-if00-port0", "../../ttyUSB7"); // unplugged since

    const QList<SerialDevice> expected{
        {machine.dev + "/serial/by-id/usb-Arduino__www.arduino.cc__0043_7563331-if00",
         machine.dev + "/ttyACM0", "Arduino (www.arduino.cc)", "Arduino Uno", "7563331", false},
        {machine.dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
         machine.dev + "/ttyUSB0", "FTDI", "FT232R USB UART", "A50285BI", false},
    };
    QCOMPARE(findSerialDevices(machine.dev, machine.sys), expected);
}

void TestChooser::adaptersWithoutUdevAreFoundByTheirNodes()
{
    FakeMachine machine; // no sysfs entries: a container's private /dev
    machine.addNode("ttyUSB10");
    machine.addNode("ttyUSB2");
    machine.addNode("ttyACM0");
    machine.addLink("usb-Simulated_board_1-if00", "../../ttyACM0");

    const QList<SerialDevice> expected{
        {machine.dev + "/serial/by-id/usb-Simulated_board_1-if00", machine.dev + "/ttyACM0", "",
         "usb-Simulated_board_1-if00", "", false},
        {machine.dev + "/ttyUSB2", machine.dev + "/ttyUSB2", "", "", "", false},
        {machine.dev + "/ttyUSB10", machine.dev + "/ttyUSB10", "", "", "", false},
    };
    QCOMPARE(findSerialDevices(machine.dev, machine.sys), expected);
}

void TestChooser::builtInPortsCountOnlyWithAUartBehind()
{
    FakeMachine machine;
    machine.addBuiltInPort("ttyS0", "4"); // a 16550A
    machine.addBuiltInPort("ttyS1", "0");
    machine.addNode("ttyS2"); // a node sysfs knows nothing of

    const QList<SerialDevice> expected{
        {machine.dev + "/ttyS0", machine.dev + "/ttyS0", "", "", "", true}};
    QCOMPARE(findSerialDevices(machine.dev, machine.sys), expected);
}

void TestChooser::noDeviceOffersTheDemoAndShowsOnePluggedInLater()
{
    FakeMachine machine;
    ChooserWindow window(machine.dev, machine.sys);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.findChild<QLabel *>()->text(),
             "Nenhuma placa foi encontrada. Ligue a placa ao computador: ela aparece aqui assim "
             "que for reconhecida.");
    QCOMPARE(button(window, "Abrir")->isEnabled(), false);

    machine.plugAdapter("ttyUSB0", kFtdi, kFtdiById);
    QTRY_COMPARE(rowTexts(window),
                 QStringList({"FTDI | FT232R USB UART | A50285BI | " + machine.dev + "/ttyUSB0"}));
    QCOMPARE(window.findChild<QLabel *>()->text(), "Escolha a porta em que a placa está ligada:");
    QCOMPARE(button(window, "Abrir")->isEnabled(), true);

    QTest::mouseClick(button(window, "Usar a placa simulada"), Qt::LeftButton);
    QCOMPARE(window.result(), int(ChooserWindow::Demo));
}

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
