#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// The user at the program's error boxes: reads each box as it shows (without the places a
// long name may wrap at) and dismisses it.
class BoxReader : public QObject
{
public:
    BoxReader();

    /// The user looks away (the boxes stay open), or back.
    void pause() { m_look.stop(); }
    void resume() { m_look.start(); }
    /// The boxes read since the last look, once there are `count` of them or the wait is
    /// over; with none expected, after waiting long enough for one to show, were there one.
    QStringList read(int count);

private:
    QTimer m_look;
    QStringList m_read;
};
