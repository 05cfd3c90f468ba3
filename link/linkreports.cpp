#include "link/linkreports.h"

#include "errors/errorreporting.h"

#include <utility>

LinkReports::LinkReports(Reports &reports)
    : m_reports(reports)
{}

void LinkReports::linkLost(const QString &message)
{
    m_closedLinkTold = true; // a poll failing on the closed link adds nothing
    m_closedLinkReports.append(message);
    m_reports.report(message);
}

void LinkReports::linkFault(const QString &message)
{
    m_reports.report(message);
}

void LinkReports::pollFailed(const QString &message, bool linkOpen)
{
    // Failing on a link believed open is always told.
    if (!linkOpen) {
        if (m_closedLinkTold)
            return;
        m_closedLinkTold = true;
        m_closedLinkReports.append(message);
    }
    m_reports.report(message);
}

void LinkReports::pollSent(const QString &silence)
{
    if (!m_silence.pollSent())
        return;
    m_silenceReport = silence;
    m_reports.report(silence);
}

void LinkReports::boardAnswered()
{
    m_silence.frameReceived();
    if (!m_silenceReport.isEmpty())
        m_reports.withdraw(std::exchange(m_silenceReport, {}));
}

void LinkReports::linkOpened()
{
    for (const QString &report : std::exchange(m_closedLinkReports, {}))
        m_reports.withdraw(report);
    m_closedLinkTold = false;
}

void LinkReports::settingsChosen()
{
    m_silence.restart();
}
