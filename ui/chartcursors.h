#pragma once

#include "acquisition/measures.h"

#include <QObject>

#include <optional>

// The chart's two measuring cursors, A and B, each on a held sample of the store, by its
// number, so that they stay on their samples whatever the view. The one placed or chosen
// last is active: the arrow keys move it. A cursor goes when its sample does (a clear, or
// the store dropping it).
class ChartCursors : public QObject
{
    Q_OBJECT
public:
    enum Cursor { A, B };

    explicit ChartCursors(const SampleStore &store, QObject *parent = nullptr);

    /// Puts `cursor` on held sample `number` and makes it the active one.
    void place(Cursor cursor, std::int64_t number);
    void activate(Cursor cursor);
    /// Moves the active cursor `steps` held samples on (back when negative), within the
    /// store's samples.
    void step(int steps);
    /// Removes both.
    void clear();
    /// Removes the cursors whose samples the store no longer holds.
    void followStore();

    std::optional<std::int64_t> at(Cursor cursor) const { return m_at[cursor]; }
    Cursor active() const { return m_active; }
    bool isEmpty() const { return !m_at[A] && !m_at[B]; }
    Measures measures() const { return measureBetween(m_store, m_at[A], m_at[B]); }

signals:
    void changed();

private:
    const SampleStore &m_store;
    std::optional<std::int64_t> m_at[2];
    Cursor m_active = A;
};
