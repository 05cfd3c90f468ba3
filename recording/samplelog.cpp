#include "recording/samplelog.h"

SampleLog::SampleLog(std::size_t capacity)
    : m_capacity(capacity)
{}

void SampleLog::append(const SampleRecord &sample)
{
    if (m_ring.size() < m_capacity) {
        m_ring.push_back(sample);
        return;
    }
    m_ring[m_oldest] = sample;
    m_oldest = (m_oldest + 1) % m_capacity;
}

void SampleLog::clear()
{
    m_ring.clear();
    m_oldest = 0;
}

std::vector<SampleRecord> SampleLog::samples() const
{
    std::vector<SampleRecord> inOrder(m_ring.begin() + std::ptrdiff_t(m_oldest), m_ring.end());
    inOrder.insert(inOrder.end(), m_ring.begin(), m_ring.begin() + std::ptrdiff_t(m_oldest));
    return inOrder;
}
