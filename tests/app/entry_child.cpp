// The program's entry, run in a child process for tst_entry. It plays a user who
// dismisses every error box and closes the main window once it is on screen, and prints
// what that user saw: "box: <text>", or "shown: <caption>", "close: <close button's
// text>" and "icon: <1 if the window has the program's icon>". With ENTRY_CHILD_THROW
// set, something that is not the program's error is thrown at the shown window instead.

#include "app/entry.h"
#include "ui/tform1.h"

#include <QtWidgets>

#include <cstdio>

static void print(const QString &seen)
{
    std::fputs(seen.toUtf8(), stdout);
    std::fflush(stdout);
}

static void installUser()
{
    auto *user = new QTimer(qApp);
    QObject::connect(user, &QTimer::timeout, [] {
        static bool thrown = false;
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            print("box: " + box->text() + '\n');
            box->done(QMessageBox::Ok);
        } else if (Form1 && Form1->isVisible() && qEnvironmentVariableIsSet("ENTRY_CHILD_THROW")) {
            // From a timer of its own: a timer that throws stops for good.
            if (!std::exchange(thrown, true))
                QTimer::singleShot(0, [] { throw 42; });
        } else if (Form1 && Form1->isVisible()) {
            const QIcon icon = QApplication::windowIcon();
            const bool ours = QFile::exists(":/sensor-viewer/icon.png")
                              && !icon.availableSizes().isEmpty()
                              && Form1->windowIcon().cacheKey() == icon.cacheKey();
            print(QString("shown: %1\nclose: %2\nicon: %3\n")
                      .arg(Form1->windowTitle(), Form1->BitBtn1->text(), QString::number(ours)));
            Form1->close();
        }
    });
    user->start(20);
}
Q_COREAPP_STARTUP_FUNCTION(installUser)

int main(int argc, char *argv[])
{
    return Entry(argc, argv);
}
