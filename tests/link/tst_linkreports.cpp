// What the user is told about the link: each thing once, and taken back, waiting or
// shown, once it is no longer true.

#include "errors/errorreporting.h"
#include "link/linkreports.h"

#include <QtTest>

// The user's side of the reports: everything said, and what still stands.
class User : public Reports
{
public:
    QStringList said;
    QStringList standing;
    void report(const QString &message) override
    {
        said << message;
        standing << message;
    }
    void withdraw(const QString &message) override { standing.removeAll(message); }
};

class TstLinkReports : public QObject
{
    Q_OBJECT
    static void pollTimes(LinkReports &reports, int polls)
    {
        for (int i = 0; i < polls; ++i)
            reports.pollSent("silent");
    }

private slots:
    // Polls failing on a closed link are told once, and not at all after the lost-link
    // report; opening the link takes back both, the passing fault staying.
    void openingTakesBackTheClosedLinkReports()
    {
        User user;
        LinkReports reports(user);
        reports.pollFailed("closed", false);
        reports.pollFailed("closed", false);
        QCOMPARE(user.said, QStringList({"closed"}));
        reports.linkOpened();
        reports.linkFault("fault");
        reports.linkLost("lost");
        reports.pollFailed("closed", false);
        QCOMPARE(user.standing, QStringList({"fault", "lost"}));
        reports.linkOpened();
        QCOMPARE(user.standing, QStringList({"fault"}));
        reports.pollFailed("closed", false);
        reports.pollFailed("closed", false);
        QCOMPARE(user.said, QStringList({"closed", "fault", "lost", "closed"}));
    }

    // Three unanswered polls are told once; the link re-opening by itself does not make
    // that news again, a frame does (and takes the report back), and so do the user's
    // own settings.
    void silenceIsToldOnceUntilAFrame()
    {
        User user;
        LinkReports reports(user);
        pollTimes(reports, 3); // the third is still on its way
        QCOMPARE(user.said, QStringList());
        pollTimes(reports, 1);
        QCOMPARE(user.said, QStringList({"silent"}));
        reports.linkOpened();
        pollTimes(reports, 4);
        QCOMPARE(user.said, QStringList({"silent"}));
        reports.boardAnswered();
        QCOMPARE(user.standing, QStringList());
        pollTimes(reports, 4);
        reports.settingsChosen();
        pollTimes(reports, 4);
        QCOMPARE(user.said, QStringList({"silent", "silent", "silent"}));
    }
};

QTEST_GUILESS_MAIN(TstLinkReports)
#include "tst_linkreports.moc"
