#pragma once

#include "acquisition/samplefeed.h"

// Said once a run: the session's store has begun to drop samples, and how to keep them
// all. The chart shows the span dropped and its description counts it.
class DroppedSamplesNote : public SampleSink
{
public:
    explicit DroppedSamplesNote(const SampleStore &store)
        : m_store(store)
    {}

    void take(const Sample &) override;

private:
    const SampleStore &m_store;
    bool m_said = false;
};
