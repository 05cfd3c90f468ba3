// The program's entry run in a child process for tst_entry, on the port named by
// SENSOR_VIEWER_TEST_PORT (the program itself always uses COM2). It plays a user who
// dismisses every error box and closes the main window once it is on screen, and prints
// what that user saw: "box: <text>", "shown: <caption>",
// "close: <close button text>" and "icon: <1 if the window has the program's icon>".

#include "app/entry.h"
#include "ui/tform1.h"

#include <QtWidgets>

#include <cstdio>

static void installWatcher()
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [] {
        QString seen;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            seen = "box: " + box->text() + '\n';
            box->done(QMessageBox::Ok);
        } else if (Form1 && Form1->isVisible()) {
            const QIcon icon = QApplication::windowIcon();
            const bool ours = QFile::exists(":/sensor-viewer/icon.png")
                              && !icon.availableSizes().isEmpty()
                              && Form1->windowIcon().cacheKey() == icon.cacheKey();
            seen = QString("shown: %1\nclose: %2\nicon: %3\n")
                       .arg(Form1->windowTitle(), Form1->BitBtn1->text(), QString::number(ours));
            Form1->close();
        }
        std::fputs(seen.toUtf8(), stdout);
        std::fflush(stdout);
    });
    poll->start(20);
}
Q_COREAPP_STARTUP_FUNCTION(installWatcher)

int main(int argc, char *argv[])
{
    return Entry(argc, argv, qEnvironmentVariable("SENSOR_VIEWER_TEST_PORT"));
}
