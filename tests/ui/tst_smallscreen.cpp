// The main window on a screen too small for its designed place and size: it is moved, and
// shrunk only where it must be, so that all of it can be reached. CTest runs this once on
// each screen below; a row runs on its own screen.

#include "support/ptyboard.h"
#include "ui/tform1.h"

#include <QPushButton>
#include <QScreen>
#include <QtTest>

class TstSmallScreen : public QObject
{
    Q_OBJECT
private slots:
    void wholeWindowOnScreen_data()
    {
        QTest::addColumn<QSize>("screen"); // its available area, in logical pixels
        QTest::addColumn<QRect>("window"); // the outer rectangle, frame included
        QTest::newRow("1280x720 at 150 %: moved and shrunk")
            << QSize(853, 480) << QRect(0, 0, 853, 480);
        QTest::newRow("1024x600: moved only") << QSize(1024, 600) << QRect(149, 100, 875, 500);
        QTest::newRow("800x600: moved and narrowed, the close button moved in")
            << QSize(800, 600) << QRect(0, 100, 800, 500);
    }
    void wholeWindowOnScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QRect, window);
        if (QGuiApplication::primaryScreen()->availableGeometry().size() != screen)
            QSKIP("runs on another screen");
        PtyBoard board;
        TForm1 form{SerialSettings{board.devicePath()}};
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE_WITH_TIMEOUT(form.frameGeometry(), window, 5000);
        // The bottom row is inside the window, up to the close button at its right end.
        QCOMPARE(form.rect().contains(form.BitBtn1->geometry()), true);
    }
};

QTEST_MAIN(TstSmallScreen)
#include "tst_smallscreen.moc"
