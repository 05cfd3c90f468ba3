// The error boxes: shown from the event loop, one at a time, a repeat counted into its
// box, a report taken back closing only its own box, and a long name wrapped.

#include "errors/errorreporting.h"
#include "support/boxreader.h"

#include <QtTest>
#include <QtWidgets>

static constexpr int kWaitMs = 5000;

class TstErrorReporting : public QObject
{
    Q_OBJECT
    QWidget m_window; // the program's window, as wide as designed
    BoxReader m_user;

private slots:
    void initTestCase()
    {
        m_window.resize(875, 500);
        m_window.show();
    }

    // Errors from the handlers are shown from the event loop, one box at a time. The same
    // error raised again while its box is open is counted into it; another waits its turn,
    // counting its own repeats meanwhile. One not the program's own shows an empty box.
    void errorBoxesOneAtATime()
    {
        m_user.pause(); // the user is slow to read the first box
        QTimer::singleShot(50, this, [] {
            runGuarded([] { throw Exception("A"); });
            runGuarded([] { throw Exception("A"); });
            runGuarded([] { throw Exception("B"); });
            runGuarded([] { throw Exception("B"); });
            runGuarded([] { throw 42; });
        });
        QTimer::singleShot(100, this, [this] { m_user.resume(); });
        runGuarded([] { throw Exception("A"); });
        QCOMPARE(m_user.read(3),
                 QStringList({"A\n\n(O mesmo erro se repetiu mais 2 vez(es).)",
                              "B\n\n(O mesmo erro se repetiu mais 1 vez(es).)", QString()}));
    }

    // A report taken back while its box is open closes that box, and no other.
    void reportTakenBackClosesOnlyItsBox()
    {
        m_user.pause(); // the user has not read the box
        const auto userBack = qScopeGuard([this] { m_user.resume(); });
        QPointer<QWidget> box;
        bool stayedForAnother = false;
        QTimer look; // acts once the box shows
        connect(&look, &QTimer::timeout, this, [&] {
            box = QApplication::activeModalWidget();
            if (!box)
                return;
            look.stop();
            ErrorReporter::instance()->withdraw("B");
            stayedForAnother = box->isVisible();
            ErrorReporter::instance()->withdraw("A");
        });
        look.start(10);
        runGuarded([] { throw Exception("A"); });
        QTRY_VERIFY(!look.isActive() && box.isNull());
        QVERIFY(stayedForAnother);
    }

    // A long name with nothing to break it at, as a port name typed in the set-up dialog
    // can be, wraps in its box rather than running off the screen.
    void longNameWrapsInItsBox()
    {
        m_user.pause();
        int boxWidth = 0;
        QTimer look; // measures the box once it shows, then lets the user read it
        connect(&look, &QTimer::timeout, this, [&] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                boxWidth = box->width();
                look.stop();
                m_user.resume();
            }
        });
        look.start(10);
        runGuarded([] { throw Exception("/tmp/" + QString(400, 'x')); });
        m_user.read(1);
        QVERIFY2(boxWidth > 0 && boxWidth <= m_window.width(),
                 qPrintable(QString::number(boxWidth)));
    }
};

QTEST_MAIN(TstErrorReporting)
#include "tst_errorreporting.moc"
