#pragma once

// Tells when the board has stopped answering: after kUnansweredLimit polls in a row with
// no frame, once, and again only after a frame has come and a new silence has begun. A
// board on the wrong port or speed, switched off or on a cable without its return line
// sends nothing at all, and the readout alone would go on showing the last value.
class SilenceCheck
{
public:
    static constexpr int kUnansweredLimit = 3;

    /// A poll goes out now; true when the polls before it have gone unanswered
    /// kUnansweredLimit times in a row and that has not been told yet.
    bool pollSent();
    /// A frame arrived: the board answers.
    void frameReceived();
    /// A new link: nothing known about its board yet.
    void restart();

private:
    int m_unanswered = 0;
    bool m_pollPending = false;
    bool m_told = false;
};
