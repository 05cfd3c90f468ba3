"""The simulated board, driven through its pseudo-terminal as the viewer would: the frames
each command gets, the misbehaviours it plays on purpose, and a bad command line.
Run by CTest, one test per function below."""

import errno
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

from processes import Processes, expect, run_test, wait_for


def open_port(device):
    """The board's device, opened as a program opens a serial port."""
    return os.fdopen(os.open(device, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK), "r+b", 0)


def receive(port, count, timeout=3.0):
    """Reads until `count` bytes came, the board hung up, or `timeout` passed."""
    data = b""
    deadline = time.monotonic() + timeout
    while len(data) < count:
        if not select.select([port], [], [], max(0.0, deadline - time.monotonic()))[0]:
            break
        try:
            chunk = port.read(count - len(data))
        except OSError as error:  # EIO once the board has hung up
            if error.errno != errno.EIO:
                raise
            break
        if chunk == b"":
            break
        data += chunk or b""  # None when nothing was there after all
    return data


def readings(frames):
    """The 10-bit readings carried by a run of two-byte frames, low byte first."""
    return [(frames[i + 1] & 3) << 8 | frames[i] for i in range(0, len(frames) - 1, 2)]


def answers_each_command_with_its_frames(processes, simulator):
    # Commands sent at once, and every byte the board answers with, in order. A reading
    # is volts * 1024 / 5, rounded, at most 1023.
    cases = [
        ("defaults: sine, ramp and square start at 2.5, 0 and 4 V; 5 holds 2.5 V",
         [], b"klmo", "0002 0000 3303 0002"),
        ("sine swings around the middle of its range, 5 V reads 1023",
         ["--channel=1=sine,0,5,4"], b"kkkk", "0002 ff03 0002 0000"),
        ("a level reads as the nearest reading: 2.499 V is 511.8 steps",
         ["--channel=5=constant,2.499"], b"o", "0002"),
        ("answering twice", ["--double"], b"kl", "0002 0002 0000 0000"),
        ("a stray byte after every second answer", ["--stray", "2"], b"ooo",
         "0002 0002 5a 0002"),
        ("bytes either side of the commands get no answer", [], b"jpk", "0002"),
    ]
    for name, options, commands, expected in cases:
        board = processes.start_board(simulator, *options)
        with open_port(board.device) as port:
            port.write(commands)
            answered = receive(port, len(bytes.fromhex(expected)))
            answered += receive(port, 1, 0.3)  # and nothing after
        expect(answered.hex(" "), bytes.fromhex(expected).hex(" "), name)


def streams_frames_unasked_in_order(processes, simulator):
    # None lost or split: a ramp of 1024 steps over 5 V reads its own step number.
    board = processes.start_board(simulator, "--stream", "1000",
                                  "--channel", "1=ramp,0,5,1024")
    with open_port(board.device) as port:
        expect(readings(receive(port, 400, 10.0)), list(range(200)), "the first 200 readings")


def sends_a_garbage_burst(processes, simulator):
    board = processes.start_board(simulator, "--garbage", "0.3")
    with open_port(board.device) as port:
        expect(len(receive(port, 65, 2.0)), 64, "bytes in the burst")


def unplugs_and_replugs_at_its_link(processes, simulator):
    # Unplugged, the link goes (its device's number may be reused); replugged, it points
    # at a new pseudo-terminal that answers; stopped, it goes for good.
    with tempfile.TemporaryDirectory() as folder:
        link = os.path.join(folder, "board")
        board = processes.start_board(simulator, "--link", link,
                                      "--unplug", "0.5", "--replug", "0.5")
        expect(board.device, link, "the device printed")
        with open_port(link) as port:
            # Nothing comes unasked: a read that ends before its time is a hang-up.
            started = time.monotonic()
            expect(receive(port, 1, 5.0), b"", "what came before the unplug")
            expect(time.monotonic() - started < 5.0, True, "hung up at the unplug")
            expect(os.path.islink(link), False, "the link is there after the unplug")
        wait_for(lambda: os.path.exists(link), "the link to come back", timeout=5)
        with open_port(link) as port:
            port.write(b"o")
            expect(receive(port, 2).hex(" "), "00 02", "channel 5's frame after the replug")
        expect(board.stop(signal.SIGINT), 0, "exit status on SIGINT")
        expect(os.path.islink(link), False, "the link is there once stopped")


def leaves_alone_a_link_it_did_not_make(processes, simulator):
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
        expect(board.stop(), 0, "exit status on SIGTERM")
        expect(os.readlink(link), "/dev/null", "the link put in its place, once stopped")


def refuses_a_bad_command_line(processes, simulator):
    cases = [
        ("unknown option", ["--bogus"], "unknown option '--bogus'"),
        ("above 5 V", ["--channel", "1=sine,0,7"], "--channel: '7' is not a number from 0 to 5"),
    ]
    for name, options, message in cases:
        sim = processes.start([simulator, *options], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        _, errors = sim.communicate(timeout=10)
        expect(errors, f"sensor-board-sim: {message}\nTry 'sensor-board-sim --help'.\n",
               f"{name}: the message")
        expect(sim.returncode, 2, f"{name}: exit status")


if __name__ == "__main__":
    sys.exit(run_test(Processes, globals()[sys.argv[1]], sys.argv[2]))
