#include "acquisition/samplefeed.h"

#include <algorithm>

void SampleFeed::disconnect(SampleSink *sink)
{
    m_sinks.erase(std::remove(m_sinks.begin(), m_sinks.end(), sink), m_sinks.end());
}
