// sensor-viewer-chooser: the window sensor-viewer-on shows to find the board, its check of
// a device it is given, and the box that shows its errors to a user who started it from
// the menu.
//
//   sensor-viewer-chooser           prints the device to use, or "demo"; status 1 when the
//                                   user closed the window, 2 when no window can be shown
//   sensor-viewer-chooser --check DEVICE   prints on file descriptor 3 what the viewer's
//                                   port should lead to; or, status 1, why DEVICE will
//                                   not do, in English on one line and in Portuguese on
//                                   the next. Its standard streams are the launcher's: a
//                                   terminal that is one of them is refused.
//   sensor-viewer-chooser --error TEXT   shows TEXT in an error box
#include "chooser/chooserwindow.h"
#include "chooser/launchercheck.h"

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

// Without a window the user cannot pick, not even the one device there is: a port is
// opened only when he named it.
int tellWithoutWindow()
{
    const QList<SerialDevice> devices = findSerialDevices();
    std::fprintf(stderr,
                 "sensor-viewer-on: %s; name the one to use: sensor-viewer-on DEVICE, or try "
                 "sensor-viewer-demo.\n",
                 devices.isEmpty()     ? "no serial device found"
                 : devices.size() == 1 ? "one serial device found, but no display to ask "
                                         "whether it is the board's"
                                       : "several serial devices found and no display to "
                                         "choose among them");
    for (const SerialDevice &device : devices)
        std::fprintf(stderr, "  %s\n", device.path.toLocal8Bit().constData());
    return 2;
}

int check(const QString &device)
{
    const LauncherCheck verdict = checkLauncherDevice(device);
    const QStringList lines = verdict.usable ? QStringList{verdict.reach}
                                             : QStringList{verdict.english, verdict.portuguese};
    for (const QString &line : lines)
        ::dprintf(3, "%s\n", line.toLocal8Bit().constData());
    return verdict.usable ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return check(QString::fromLocal8Bit(argv[2]));
    const bool error = argc == 3 && std::strcmp(argv[1], "--error") == 0;
    if (!canShowWindows())
        return error ? 2 : tellWithoutWindow();
    // Qt is given only the program's name: nothing on our command line is meant for it.
    int qtArgc = 1;
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
