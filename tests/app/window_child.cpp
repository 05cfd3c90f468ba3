// The program's entry run in a child process for tst_startup, with the board on COM2.
// Once the main window has settled on screen it prints what Qt's own command-line options
// would change, then closes the window.

#include "app/entry.h"
#include "ui/tform1.h"

#include <QtWidgets>

#include <cstdio>

static void installWatcher()
{
    auto *poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [shownFor = 0]() mutable {
        if (!Form1 || !Form1->isVisible() || ++shownFor < 5)
            return;
        const QRect place = Form1->frameGeometry();
        const QString seen =
            QString("title: %1\nplace: %2,%3 %4x%5\nright to left: %6\nstyle sheet: %7\n")
                .arg(Form1->windowHandle()->title())
                .arg(place.x())
                .arg(place.y())
                .arg(place.width())
                .arg(place.height())
                .arg(Form1->layoutDirection() == Qt::RightToLeft)
                .arg(qApp->styleSheet());
        std::fputs(seen.toUtf8(), stdout);
        std::fflush(stdout);
        Form1->close();
    });
    poll->start(50);
}
Q_COREAPP_STARTUP_FUNCTION(installWatcher)

int main(int argc, char *argv[])
{
    return Entry(argc, argv);
}
