#pragma once

#include "protocol/boardprotocol.h"

#include <cstdint>
#include <vector>

// What the receive handler takes from the link's input at a notification. One byte
// waiting is half a frame: it stays. Two bytes are one frame, whatever their timing.
// More than two needs recovery, as follows.
//
// The board sends a frame's two bytes back to back, so they arrive together, or at most
// a USB adapter's packet delay apart (16 ms by default on the common FTDI chips); polls
// are a second apart, and even a stream of 20 frames a second pauses 50 ms between
// frames. When more than two bytes are waiting, that is what tells a stray byte (noise
// at power-up, half of a garbled reply) from the first byte of a frame: a byte followed
// by a silence longer than the stray gap (20 ms, more on a slow line) belonged to no
// frame and is dropped. So a stray byte in a stream shifts the pairing only until the
// stream's next pause; a gap longer than that pause would leave it shifted for as long
// as the stream runs. The rest is cut into frames in arrival order, so replies that
// pile up (a board answering twice, a stream) each become a point. A last single byte is
// left waiting: its partner may be on the wire, and the next notification sees it again.
//
// Arrival times are those of the reads, so every byte of one read carries the time of
// its last byte. The silence after a byte is therefore its time to the next read, less
// the time that read's bytes needed on the wire: a stream read late in one big chunk
// shows no silence, so a half frame left from the previous read keeps its partner.
//
// What timing cannot mend: when a stray byte and then every reply arrive one byte per
// notification, the two-byte rule pairs each half reply with the byte before it, and
// the pairing stays shifted until a notification finds three or more bytes waiting
// (the board's two bytes normally come in one read, and that mends it).
struct ArrivedByte
{
    std::uint8_t value;
    std::int64_t arrivedMs; // monotonic arrival time
};

struct FramingResult
{
    std::vector<Frame> frames; // whole frames, in arrival order
    int consumed = 0;          // bytes to take from the input: frames and strays
    int discarded = 0;         // stray bytes among the consumed ones
};

class FrameAssembler
{
public:
    static constexpr std::int64_t kDefaultStrayGapMs = 20;

    /// byteTimeMs is how long one byte takes on the line the bytes come from (see
    /// ::byteTimeMs): the owner of the line knows its speed.
    explicit FrameAssembler(double byteTimeMs, std::int64_t strayGapMs = kDefaultStrayGapMs)
        : m_strayGapMs(strayGapMs)
        , m_byteTimeMs(byteTimeMs)
    {}

    /// What to take from the waiting bytes (oldest first), and the frames they carry.
    FramingResult take(const std::vector<ArrivedByte> &waiting) const;

    std::int64_t strayGapMs() const { return m_strayGapMs; }

private:
    /// The recovery for more than two waiting bytes: drops strays, cuts the rest into
    /// frames and leaves a last single byte waiting.
    FramingResult split(const std::vector<ArrivedByte> &waiting) const;

    std::int64_t m_strayGapMs;
    double m_byteTimeMs;
};
