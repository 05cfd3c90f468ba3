#pragma once

#include "acquisition/samplestore.h"

#include <vector>

/// What takes each sample beside the session's store (a recording, say). It keeps what it
/// needs of the sample and nothing more: the store is the one copy.
class SampleSink
{
public:
    virtual ~SampleSink() = default;
    virtual void take(const Sample &sample) = 0;
};

// Where each decoded sample goes: into the session's store, then to each sink, in the
// order they were connected. The chart draws from the store.
class SampleFeed
{
public:
    explicit SampleFeed(std::int64_t capacity = SampleStore::kDefaultCapacity)
        : m_store(capacity)
    {}

    const SampleStore &store() const { return m_store; }
    void connect(SampleSink *sink) { m_sinks.push_back(sink); }
    void disconnect(SampleSink *sink);

    void add(const Sample &sample)
    {
        m_store.append(sample);
        for (SampleSink *sink : m_sinks)
            sink->take(sample);
    }
    /// The session starts afresh: the store forgets its samples; the sinks go on.
    void clear() { m_store.clear(); }

private:
    SampleStore m_store;
    std::vector<SampleSink *> m_sinks;
};
