// sensor-viewer-chooser: the window sensor-viewer-on shows to find the board, and the box
// that shows its errors to a user who started it from the menu.
//
//   sensor-viewer-chooser           prints the device to use, or "demo"; status 1 when the
//                                   user closed the window, 2 when no window can be shown
//   sensor-viewer-chooser --error TEXT   shows TEXT in an error box
#include "chooser/chooserwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

namespace {

bool canShowWindows()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY")
           || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

void print(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt is given only the program's name: nothing on our command line is meant for it.
    int qtArgc = 1;
    const bool error = argc == 3 && std::strcmp(argv[1], "--error") == 0;
    const QList<SerialDevice> devices = error ? QList<SerialDevice>() : findSerialDevices();
    if (!error && devices.size() == 1) {
        print(devices.first().path);
        return 0;
    }
    if (!canShowWindows()) {
        if (!error) {
            std::fprintf(stderr,
                         "sensor-viewer-on: %s; name the one to use: sensor-viewer-on DEVICE, "
                         "or try sensor-viewer-demo.\n",
                         devices.isEmpty() ? "no serial device found"
                                           : "several serial devices found and no display to "
                                             "choose among them");
            for (const SerialDevice &device : devices)
                std::fprintf(stderr, "  %s\n", device.path.toLocal8Bit().constData());
        }
        return 2;
    }
    QApplication application(qtArgc, argv);
    if (error) {
        QMessageBox::critical(nullptr, QStringLiteral(SENSOR_VIEWER_MENU_NAME),
                              QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    ChooserWindow window;
    const int result = window.exec();
    if (result == QDialog::Accepted)
        print(window.chosenPath());
    else if (result == ChooserWindow::Demo)
        print(QStringLiteral("demo"));
    else
        return 1;
    return 0;
}
