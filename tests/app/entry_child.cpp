// The program's entry run in a child process for tst_entry. The port comes from
// SENSOR_VIEWER_TEST_PORT (the program itself always uses COM2). A watcher reports on
// stdout what the user would see, and acts on commands read from stdin:
//   "box: <text>"      an error box is open ("\n" in the text written as "\\n")
//   "shown: <caption>" the main window is on screen; then "close: <close button text>"
//                      and "icon: <1 if the window has the program's icon>"
// Commands: "dismiss" dismisses the open error box, "close" closes the main window.

#include "entry.h"
#include "tform1.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void onCommand(const QByteArray &command)
{
    if (command == "dismiss") {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    } else if (command == "close" && Form1) {
        Form1->close();
    }
}

void installWatcher()
{
    static QSet<QObject *> shownWidgets;
    QSet<QObject *> *seen = &shownWidgets;
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [seen] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || seen->contains(widget))
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                seen->insert(widget);
                QObject::connect(widget, &QObject::destroyed,
                                 [seen, widget] { seen->remove(widget); });
                say(QStringLiteral("box: ") + box->text().replace('\n', QStringLiteral("\\n")));
            } else if (auto *form = qobject_cast<TForm1 *>(widget)) {
                seen->insert(widget);
                say(QStringLiteral("shown: ") + form->windowTitle());
                say(QStringLiteral("close: ") + form->BitBtn1->text());
                const QIcon icon = QApplication::windowIcon();
                say(QStringLiteral("icon: %1")
                        .arg(QFile::exists(QStringLiteral(":/sensor-viewer/icon.png"))
                             && !icon.availableSizes().isEmpty()
                             && form->windowIcon().cacheKey() == icon.cacheKey()));
            }
        }
    });
    poll->start(20);

    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    static QByteArray pendingInput;
    QByteArray *pending = &pendingInput;
    QObject::connect(input, &QSocketNotifier::activated, [input, pending] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input->setEnabled(false);
            return;
        }
        pending->append(buffer, n);
        for (qsizetype end; (end = pending->indexOf('\n')) >= 0;) {
            onCommand(pending->left(end).trimmed());
            pending->remove(0, end + 1);
        }
    });
}

Q_COREAPP_STARTUP_FUNCTION(installWatcher)

} // namespace

int main(int argc, char *argv[])
{
    return Entry(argc, argv, qEnvironmentVariable("SENSOR_VIEWER_TEST_PORT"));
}
