#include "acquisition/samplefeed.h"

#include <algorithm>

void SampleFeed::disconnect(SampleSink *sink)
{
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}

bool SampleFeed::markLatest(const QString &text)
{
    const std::int64_t latest = m_store.count() - 1;
    if (!m_store.holds(latest))
        return false;
    m_store.markEvent(latest, text);
    for (SampleSink *sink : m_sinks)
        sink->takeEvent(m_store.eventAt(latest));
    return true;
}
