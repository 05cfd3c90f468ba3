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
    /// The latest sample taken now carries this event's text, whole (a second mark on a
    /// sample joins the first).
    virtual void takeEvent(const QString &) {}
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
    /// Marks the latest sample with an event's text, in the store and for each sink; false
    /// when there is no sample yet.
    bool markLatest(const QString &text);
    /// The session starts afresh: the store forgets its samples and events; the sinks go on.
    void clear() { m_store.clear(); }

private:
    SampleStore m_store;
    std::vector<SampleSink *> m_sinks;
};
