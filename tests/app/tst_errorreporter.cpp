// The error reporter's own rules: one box at a time, a repeat counted into the open
// box, a different error waiting its turn.

#include "errorreporting.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

class TstErrorReporter : public QObject
{
    Q_OBJECT
private slots:
    void oneBoxAtATime();
};

namespace {

QMessageBox *openBox()
{
    return qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
}

} // namespace

void TstErrorReporter::oneBoxAtATime()
{
    ErrorReporter *reporter = ErrorReporter::instance();
    QStringList shown;
    QString firstBoxAtClose;
    int pendingWhileFirstOpen = -1;
    // A box runs its own loop: what happens while it is open is done from inside it.
    const auto connection =
        connect(reporter, &ErrorReporter::boxShown, this, [&](const QString &text) {
            shown << text;
            QTimer::singleShot(0, this, [&] {
                if (shown.size() == 1) {
                    reporter->report("link lost");
                    reporter->report("write failed");
                    reporter->report("link lost");
                    reporter->report("write failed");
                    pendingWhileFirstOpen = reporter->pendingCount();
                    firstBoxAtClose = openBox()->text();
                }
                openBox()->done(QMessageBox::Ok);
            });
        });

    reporter->report("link lost");
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!reporter->isBoxOpen(), 5000);
    QCOMPARE(pendingWhileFirstOpen, 1);
    QCOMPARE(firstBoxAtClose, ErrorReporter::boxText("link lost", 2));
    QCOMPARE(shown, QStringList({"link lost", ErrorReporter::boxText("write failed", 1)}));
    QVERIFY(firstBoxAtClose.startsWith("link lost") && firstBoxAtClose.contains('2'));

    // Once dismissed, the same error is news again.
    reporter->report("link lost");
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 3, 5000);
    QCOMPARE(shown.last(), QStringLiteral("link lost"));
    QTRY_VERIFY_WITH_TIMEOUT(!reporter->isBoxOpen(), 5000);
    disconnect(connection);
}

QTEST_MAIN(TstErrorReporter)
#include "tst_errorreporter.moc"
