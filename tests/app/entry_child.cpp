// The program's entry run in a child process for tst_entry, on the port named by
// SENSOR_VIEWER_TEST_PORT (the program itself always uses COM2). It plays a user who
// dismisses every error box and closes the main window once it is on screen, and prints
// what that user saw: "box: <text>" ("\n" written as "\\n"), "shown: <caption>",
// "close: <close button text>" and "icon: <1 if the window has the program's icon>".

#include "entry.h"
#include "tform1.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void installWatcher()
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            say(QStringLiteral("box: ") + box->text().replace('\n', QStringLiteral("\\n")));
            box->done(QMessageBox::Ok);
        } else if (Form1 && Form1->isVisible()) {
            const QIcon icon = QApplication::windowIcon();
            say(QStringLiteral("shown: ") + Form1->windowTitle());
            say(QStringLiteral("close: ") + Form1->BitBtn1->text());
            say(QStringLiteral("icon: %1")
                    .arg(QFile::exists(QStringLiteral(":/sensor-viewer/icon.png"))
                         && !icon.availableSizes().isEmpty()
                         && Form1->windowIcon().cacheKey() == icon.cacheKey()));
            Form1->close();
        }
    });
    poll->start(20);
}

Q_COREAPP_STARTUP_FUNCTION(installWatcher)

} // namespace

int main(int argc, char *argv[])
{
    return Entry(argc, argv, qEnvironmentVariable("SENSOR_VIEWER_TEST_PORT"));
}
