// The error boxes: shown from the event loop, one at a time, a repeat counted into its
// box, a report taken back closing only its own box, and a long name wrapped.

#include "errors/errorreporting.h"

#include <QtTest>
#include <QtWidgets>

static constexpr int kWaitMs = 5000;

class TstErrorReporting : public QObject
{
    Q_OBJECT
    QWidget m_window;    // the program's window, as wide as designed
    QTimer m_user;       // the user at the error boxes: reads each one and dismisses it
    QStringList m_boxes; // what they read

    // The error boxes the user has read and dismissed since the last look, once there are
    // `count` of them (or the wait is over).
    QStringList boxesRead(int count)
    {
        (void)QTest::qWaitFor([&] { return m_boxes.size() >= count; }, kWaitMs);
        return std::exchange(m_boxes, {});
    }

private slots:
    void initTestCase()
    {
        m_window.resize(875, 500);
        m_window.show();
        connect(&m_user, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_boxes << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        m_user.start(10);
    }

    // Errors from the handlers are shown from the event loop, one box at a time. The same
    // error raised again while its box is open is counted into it; another waits its turn,
    // counting its own repeats meanwhile. One not the program's own shows an empty box.
    void errorBoxesOneAtATime()
    {
        m_user.stop(); // the user is slow to read the first box
        QTimer::singleShot(50, this, [] {
            runGuarded([] { throw Exception("A"); });
            runGuarded([] { throw Exception("A"); });
            runGuarded([] { throw Exception("B"); });
            runGuarded([] { throw Exception("B"); });
            runGuarded([] { throw 42; });
        });
        QTimer::singleShot(100, &m_user, qOverload<>(&QTimer::start));
        runGuarded([] { throw Exception("A"); });
        QCOMPARE(boxesRead(3),
                 QStringList({"A\n\n(O mesmo erro se repetiu mais 2 vez(es).)",
                              "B\n\n(O mesmo erro se repetiu mais 1 vez(es).)", QString()}));
    }

    // A report taken back while its box is open closes that box, and no other.
    void reportTakenBackClosesOnlyItsBox()
    {
        m_user.stop(); // the user has not read the box
        const auto userBack = qScopeGuard([this] { m_user.start(); });
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
        m_user.stop();
        int boxWidth = 0;
        QTimer look; // measures the box once it shows, then lets the user read it
        connect(&look, &QTimer::timeout, this, [&] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                boxWidth = box->width();
                look.stop();
                m_user.start();
            }
        });
        look.start(10);
        runGuarded([] { throw Exception("/tmp/" + QString(400, 'x')); });
        boxesRead(1);
        QVERIFY2(boxWidth > 0 && boxWidth <= m_window.width(),
                 qPrintable(QString::number(boxWidth)));
    }
};

QTEST_MAIN(TstErrorReporting)
#include "tst_errorreporting.moc"
