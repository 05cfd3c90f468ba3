#!/usr/bin/env python3
"""A stand-in for the sensor board on a pseudo-terminal, for trying the viewer by hand.

It prints the device path the viewer should open, then answers each channel command
('k' to 'o') with a two-byte frame, low byte first, of a slowly varying waveform that
differs per channel. With --stream MS it also sends a frame of channel 1 every MS
milliseconds unasked, so that the chart fills without choosing a channel.

    python3 scripts/board-sim.py [--stream 100]
"""

import argparse
import math
import os
import select
import sys
import time
import tty

COMMANDS = b"klmno"


def reading(channel, t):
    """A 10-bit reading for channel 0..4 at time t (seconds)."""
    shapes = [
        lambda p: 0.5 + 0.4 * math.sin(p),                      # sine
        lambda p: 0.5 + 0.4 * (2 * abs((p / math.pi) % 2 - 1) - 1),  # triangle
        lambda p: 0.3 + 0.5 * ((p / (2 * math.pi)) % 1),       # saw
        lambda p: 0.5 + 0.3 * math.sin(p) + 0.1 * math.sin(3 * p),
        lambda p: 0.8 + 0.05 * math.sin(p / 3),                 # nearly flat
    ]
    value = shapes[channel](2 * math.pi * t / 20.0 + channel)
    return max(0, min(1023, int(value * 1023)))


def frame(raw):
    return bytes([raw & 0xFF, (raw >> 8) & 0x03])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--stream", type=float, default=0,
                        help="also send a channel-1 frame every STREAM ms")
    args = parser.parse_args()

    master, slave = os.openpty()
    tty.setraw(slave)
    tty.setraw(master)
    print(os.ttyname(slave), flush=True)

    start = time.monotonic()
    next_stream = start
    sample = 0
    try:
        while True:
            timeout = None
            if args.stream > 0:
                timeout = max(0.0, next_stream - time.monotonic())
            ready, _, _ = select.select([master], [], [], timeout)
            now = time.monotonic()
            if ready:
                try:
                    data = os.read(master, 256)
                except OSError:
                    data = b""  # no program holds the device right now
                    time.sleep(0.1)
                for byte in data:
                    if byte in COMMANDS:
                        channel = COMMANDS.index(byte)
                        os.write(master, frame(reading(channel, now - start)))
            if args.stream > 0 and now >= next_stream:
                # A stream advances one sample per frame, so the trace shows the shape.
                os.write(master, frame(reading(0, sample * 0.4)))
                sample += 1
                next_stream += args.stream / 1000.0
    except KeyboardInterrupt:
        pass
    finally:
        os.close(slave)
        os.close(master)


if __name__ == "__main__":
    sys.exit(main())
