#include "ui/chartcursors.h"

ChartCursors::ChartCursors(const SampleStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{}

void ChartCursors::place(Cursor cursor, std::int64_t number)
{
    if (!m_store.holds(number))
        return;
    m_at[cursor] = number;
    m_active = cursor;
    emit changed();
}

void ChartCursors::activate(Cursor cursor)
{
    m_active = cursor;
    emit changed();
}

void ChartCursors::step(int steps)
{
    std::optional<std::int64_t> &at = m_at[m_active];
    if (!at)
        return;
    std::int64_t number = *at;
    for (; steps > 0 && m_store.nextHeld(number) < m_store.count(); --steps)
        number = m_store.nextHeld(number);
    for (; steps < 0 && m_store.previousHeld(number) >= 0; ++steps)
        number = m_store.previousHeld(number);
    if (number == *at)
        return;
    at = number;
    emit changed();
}

void ChartCursors::clear()
{
    if (isEmpty())
        return;
    m_at[A].reset();
    m_at[B].reset();
    emit changed();
}

void ChartCursors::followStore()
{
    bool gone = false;
    for (std::optional<std::int64_t> &at : m_at) {
        if (at && !m_store.holds(*at)) {
            at.reset();
            gone = true;
        }
    }
    if (gone)
        emit changed();
}
