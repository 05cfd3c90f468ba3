#!/usr/bin/env python3
"""A stand-in for the sensor board on a pseudo-terminal, for trying the viewer by hand.

It prints the device path the viewer should open, then answers each channel command
('k' to 'o') with a two-byte frame, low byte first, of a slowly varying waveform that
differs per channel and advances one step per frame of that channel. With --stream MS it also sends a frame of channel 1 every MS
milliseconds unasked, so that the chart fills without choosing a channel.

    python3 scripts/board-sim.py [--stream 100]

The viewer always opens COM2, which on Linux is /dev/ttyS1. On a machine without that
port, point it at the printed device for the session (as root: ln -sf /dev/pts/N
/dev/ttyS1) and remove the link afterwards.
"""

import argparse
import math
import os
import select
import sys
import time
import tty

COMMANDS = b"klmno"


def reading(channel, step):
    """The 10-bit reading of channel 0..4 at its given step; 50 steps a period."""
    shapes = [
        lambda p: 0.5 + 0.4 * math.sin(p),  # sine
        lambda p: 0.5 + 0.4 * (2 * abs((p / math.pi) % 2 - 1) - 1),  # triangle
        lambda p: 0.3 + 0.5 * ((p / (2 * math.pi)) % 1),  # sawtooth
        lambda p: 0.5 + 0.3 * math.sin(p) + 0.1 * math.sin(3 * p),  # two tones
        lambda p: 0.8 + 0.05 * math.sin(p / 3),  # nearly flat
    ]
    value = shapes[channel](2 * math.pi * step / 50.0 + channel)
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

    steps = [0] * len(COMMANDS)

    def answer(channel):
        os.write(master, frame(reading(channel, steps[channel])))
        steps[channel] += 1

    next_stream = time.monotonic()
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
                        answer(COMMANDS.index(byte))
            if args.stream > 0 and now >= next_stream:
                answer(0)
                next_stream += args.stream / 1000.0
    except KeyboardInterrupt:
        pass
    finally:
        os.close(slave)
        os.close(master)


if __name__ == "__main__":
    sys.exit(main())
