// The program's entry, run in a child process for tst_entry. It plays a user who
// dismisses every error box and, once the main window has settled on screen, prints what
// Qt's own command-line options would change and whether the window has the program's
// icon, then closes it: "box: <text>", or "title: ...", "place: ...", "right to left: ..."
// and "icon: ...".

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
    QObject::connect(user, &QTimer::timeout, [shownFor = 0]() mutable {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            print("box: " + box->text() + '\n');
            box->done(QMessageBox::Ok);
        } else if (!Form1 || !Form1->isVisible() || ++shownFor < 5) {
            return;
        } else {
            const QIcon icon = QApplication::windowIcon();
            const bool ours = QFile::exists(":/sensor-viewer/icon.png")
                              && !icon.availableSizes().isEmpty()
                              && Form1->windowIcon().cacheKey() == icon.cacheKey();
            const QRect place = Form1->frameGeometry();
            print(QString("title: %1\nplace: %2,%3 %4x%5\nright to left: %6\nicon: %7\n")
                      .arg(Form1->windowHandle()->title())
                      .arg(place.x())
                      .arg(place.y())
                      .arg(place.width())
                      .arg(place.height())
                      .arg(Form1->layoutDirection() == Qt::RightToLeft)
                      .arg(ours));
            Form1->close();
        }
    });
    user->start(50);
}
Q_COREAPP_STARTUP_FUNCTION(installUser)

int main(int argc, char *argv[])
{
    return Entry(argc, argv);
}
