#include "recording/samplelog.h"

SampleLog::SampleLog(std::size_t capacity)
    : m_capacity(capacity)
{}

void SampleLog::append(const SampleRecord &sample)
{
    if (m_samples.size() >= m_capacity)
        m_samples.pop_front();
    m_samples.push_back(sample);
}

void SampleLog::clear()
{
    m_samples.clear();
}
