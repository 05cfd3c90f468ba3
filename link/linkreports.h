#pragma once

#include "acquisition/silencecheck.h"

#include <QString>
#include <QStringList>

class Reports;

// What the user is told about the link: each thing once, and taken back, waiting or
// shown, as soon as it stops being true.
//  - A closed link fails every poll alike: one report says so (none after the lost-link
//    report, which said it already), until the link is open again.
//  - A board that leaves polls unanswered is told of once, until a frame arrives; a link
//    that re-opens by itself on the same board does not make it news again, a port or
//    line the user chose does.
//  - Opening the link takes back every report that said it was closed or lost.
//  - A frame takes back the report that the board does not answer.
class LinkReports
{
public:
    explicit LinkReports(Reports &reports);

    /// The link was lost and closed; `message` says so.
    void linkLost(const QString &message);
    /// A read or write failed and the link carries on.
    void linkFault(const QString &message);
    /// A poll failed with `message`, on a link that is open or not.
    void pollFailed(const QString &message, bool linkOpen);
    /// A poll went out; `silence` is what to say if the board has stopped answering.
    void pollSent(const QString &silence);
    void boardAnswered();
    void linkOpened();
    /// The user applied settings of their choosing: a silence on them is news.
    void settingsChosen();

private:
    Reports &m_reports;
    bool m_closedLinkTold = false;
    QStringList m_closedLinkReports; // said while the link was closed or lost
    SilenceCheck m_silence;
    QString m_silenceReport;
};
