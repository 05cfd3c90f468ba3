#include "acquisition/silencecheck.h"

bool SilenceCheck::pollSent()
{
    if (m_pollPending)
        ++m_unanswered;
    m_pollPending = true;
    if (m_told || m_unanswered < kUnansweredLimit)
        return false;
    m_told = true;
    return true;
}

void SilenceCheck::frameReceived()
{
    restart();
}

void SilenceCheck::restart()
{
    *this = SilenceCheck();
}
