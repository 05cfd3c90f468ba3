"""The simulated board, driven through its pseudo-terminal as the viewer would: the frames
each command gets, and a link it did not make. Run by CTest, one test per sim_ function
below."""

import os
import select
import signal
import subprocess
import sys
import tempfile

from processes import Processes, expect, main


def receive(port, count, timeout=3.0):
    """Reads until `count` bytes came, the board hung up, or nothing came for `timeout`."""
    data = b""
    while len(data) < count and select.select([port], [], [], timeout)[0]:
        try:
            chunk = os.read(port, count - len(data))
        except OSError:  # EIO once the board has hung up
            break
        if chunk == b"":
            break
        data += chunk
    return data


def sim_answers_each_command_with_its_frames(processes, simulator):
    # Commands sent at once, and every byte the board answers with, in order. A reading
    # is volts * 1024 / 5, rounded, at most 1023.
    cases = [
        ("defaults: sine, ramp and square start at 2.5, 0 and 4 V; 5 holds 2.5 V",
         [], b"klmo", "0002 0000 3303 0002"),
        ("sine swings around the middle of its range, 5 V reads 1023",
         ["--channel=1=sine,0,5,4"], b"kkkk", "0002 ff03 0002 0000"),
        ("a level reads as the nearest reading: 0.999 V is 204.6 steps",
         ["--channel=5=constant,0.999"], b"o", "cd00"),
        ("bytes either side of the commands get no answer", [], b"jpk", "0002"),
    ]
    for name, options, commands, expected in cases:
        board = processes.start_board(simulator, *options)
        # The board's device, opened as a program opens a serial port.
        port = os.open(board.device, os.O_RDWR | os.O_NOCTTY)
        os.write(port, commands)
        answered = receive(port, len(bytes.fromhex(expected)))
        answered += receive(port, 1, 0.3)  # and nothing after
        os.close(port)
        expect(answered.hex(" "), bytes.fromhex(expected).hex(" "), name)


def sim_leaves_alone_a_link_it_did_not_make(processes, simulator):
    # Anything already at the path may be someone else's: refused, and left as it is.
    # Once running, its own link, replaced by someone, is theirs: left when it stops.
    with tempfile.TemporaryDirectory() as folder:
        link = os.path.join(folder, "board")
        os.symlink("/dev/null", link)
        sim = processes.start([simulator, "--link", link], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        _, errors = sim.communicate(timeout=10)
        expect(errors, f"sensor-board-sim: {link} already exists, and the simulator replaces "
               "nothing it did not make: remove it, or give --link a path where nothing is\n",
               "the refusal")
        expect(sim.returncode, 1, "exit status of the refusal")
        expect(os.readlink(link), "/dev/null", "the link found there, after the refusal")

        os.remove(link)
        board = processes.start_board(simulator, "--link", link)
        os.remove(link)
        os.symlink("/dev/null", link)
        os.kill(board.process.pid, signal.SIGTERM)  # as a user stops it
        expect(board.process.wait(10), 0, "exit status on SIGTERM")
        expect(os.readlink(link), "/dev/null", "the link put in its place, once stopped")


if __name__ == "__main__":
    sys.exit(main(Processes, globals(), "sim_"))
