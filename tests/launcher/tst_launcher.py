"""sensor-viewer-on and sensor-viewer-demo as a user runs them: the device bound as the
viewer's /dev/ttyS1, the refusals, and the demo starting and stopping both sides.
Run: tst_launcher.py TEST LAUNCHER_SOURCE_DIR PROGRAM_DIR SIMULATOR, TEST one of the
functions below.

Most tests run the scripts from a scratch folder, where a stand-in viewer beside them
opens /dev/ttyS1, polls channel 1 and prints the frame: it proves what the namespace
holds and that the viewer's exit status comes back. For the demo it prints its own PID
and its parent's (bwrap, which the launcher became) and waits instead. One test runs the
real viewer."""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.append(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from processes import Lines, Processes, expect, run_test, wait_for

PR_SET_CHILD_SUBREAPER = 36
STAND_IN = """#!/bin/bash
echo "arguments: $#"
if [ -n "${STAND_IN_WAITS:-}" ]; then echo "pids $$ $PPID"; exec sleep 60; fi
exec 3<>/dev/ttyS1 || exit 99
printf k >&3
head -c 2 <&3 | od -An -tx1
exit 7
"""


def scratch_folder(launcher_dir, simulator):
    """The scripts beside a stand-in viewer and the simulator, a link to nothing (`gone`),
    an empty folder and a serial/by-id folder; removed when the test ends."""
    folder = tempfile.TemporaryDirectory(prefix="launcher-")
    path = folder.name
    for script in ("sensor-viewer-on", "sensor-viewer-demo"):
        shutil.copy(os.path.join(launcher_dir, script), path)
    with open(os.path.join(path, "sensor-viewer"), "w") as stand_in:
        stand_in.write(STAND_IN)
    os.chmod(os.path.join(path, "sensor-viewer"), 0o755)
    os.symlink(simulator, os.path.join(path, "sensor-board-sim"))
    os.symlink(os.path.join(path, "missing"), os.path.join(path, "gone"))
    os.makedirs(os.path.join(path, "empty"))
    os.makedirs(os.path.join(path, "serial", "by-id"))
    return folder


def start_script(processes, folder, script, *arguments, **environment):
    """Runs one of the scripts in the scratch folder, its output and errors piped."""
    return processes.start(["/bin/bash", os.path.join(folder, script), *arguments],
                           env=dict(os.environ, **environment), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True)


def running(pid):
    """Whether the process still runs (a zombie has ended)."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            return ") Z " not in stat.read()
    except FileNotFoundError:
        return False


def left_to_the_test(pid):
    """Whether the process has become this test's child, its parent having ended first."""
    try:
        os.waitpid(pid, os.WNOHANG)
        return True
    except ChildProcessError:
        return False


def binds_the_device_as_ttyS1(processes, launcher_dir, program_dir, simulator):
    # The device as given: the simulator's pseudo-terminal, its --link, and a relative
    # link as udev makes under /dev/serial/by-id.
    with scratch_folder(launcher_dir, simulator) as folder:
        for given in ("pseudo-terminal", "absolute link", "relative link"):
            link = os.path.join(folder, "board")
            board = processes.start_board(
                simulator, *(["--link", link] if given == "absolute link" else []))
            device = board.device
            if given == "relative link":
                device = os.path.join(folder, "serial", "by-id", "usb-board")
                os.symlink(os.path.relpath(board.device, os.path.dirname(device)), device)
            launcher = start_script(processes, folder, "sensor-viewer-on", device)
            output, _ = launcher.communicate(timeout=30)
            expect(output, "arguments: 0\n 00 02\n", f"{given}: the stand-in's output")
            expect(launcher.returncode, 7, f"{given}: exit status")
            wait_for(lambda: board.log("rx 6b"), f"{given}: the board to receive the poll",
                     timeout=10)


def viewers_on_two_boards_both_open_their_devices(processes, launcher_dir, program_dir,
                                                  simulator):
    # The real viewer opens /dev/ttyS1 (the board sees its device opened), keeps it open,
    # and ends with the launcher. Each viewer locks the name ttyS1 in a lock directory of
    # its own, so two on two boards both open theirs, whatever COM2 lock the machine holds.
    boards = [processes.start_board(simulator) for _ in range(2)]
    launchers = [processes.start([os.path.join(program_dir, "sensor-viewer-on"), board.device],
                                 env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                 for board in boards]
    for number, board in enumerate(boards, 1):
        wait_for(lambda: board.log("device opened"), f"viewer {number} to open its device",
                 timeout=30)
    time.sleep(1.5)  # a viewer that gives its device up would do so in this time
    for number, (board, launcher) in enumerate(zip(boards, launchers), 1):
        expect(board.log("device closed"), [], f"viewer {number}: device closed early")
        expect(launcher.poll(), None, f"viewer {number}: exit status while running")
        os.kill(launcher.pid, signal.SIGTERM)
        launcher.wait(10)
    for number, board in enumerate(boards, 1):
        wait_for(lambda: board.log("device closed"), f"viewer {number}'s device to close",
                 timeout=10)


def refuses_with_a_reason(processes, launcher_dir, program_dir, simulator):
    with scratch_folder(launcher_dir, simulator) as folder:
        # The device given, PATH when not the test's own, and what the launcher says; it
        # ends with status 1.
        cases = [
            ("missing device", "/dev/ttyUSB-absent", None,
             "sensor-viewer-on: /dev/ttyUSB-absent does not exist. Is the board plugged in? "
             "USB serial adapters appear as /dev/ttyUSB0 or /dev/ttyACM0; ls "
             "/dev/serial/by-id/ lists them by name.\n"),
            ("link to nothing", f"{folder}/gone", None,
             f"sensor-viewer-on: {folder}/gone is a link to {folder}/missing, which does not "
             "exist. Is the board plugged in?\n"),
            ("not a device", f"{folder}/empty", None,
             f"sensor-viewer-on: {folder}/empty is not a serial device (not a character "
             "device or pseudo-terminal).\n"),
            ("bubblewrap missing", "/dev/null", f"{folder}/empty",
             "sensor-viewer-on: bubblewrap (bwrap) is not installed; it gives the viewer "
             "its own /dev/ttyS1. Install it with: sudo apt install bubblewrap\n"),
        ]
        for name, device, path, message in cases:
            launcher = start_script(processes, folder, "sensor-viewer-on", device,
                                    PATH=path or os.environ["PATH"])
            _, errors = launcher.communicate(timeout=30)
            expect(errors, message, f"{name}: the message")
            expect(launcher.returncode, 1, f"{name}: exit status")


def demo_stops_both_on_sigterm(processes, launcher_dir, program_dir, simulator):
    # The demo ends the viewer's launcher itself before it ends. Orphans come to this
    # test rather than to init, so a launcher it left behind becomes the test's child.
    expect(ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, 1), 0, "orphans coming to the test")
    with scratch_folder(launcher_dir, simulator) as folder:
        demo = start_script(processes, folder, "sensor-viewer-demo", STAND_IN_WAITS="1")
        output, errors = Lines(demo.stdout), Lines(demo.stderr)
        wait_for(lambda: len(output.lines) >= 2, "the stand-in viewer's two lines", timeout=30)
        expect(output.lines[0][1], "arguments: 0", "the stand-in's first line")
        viewer, launcher = map(int, output.lines[1][1].removeprefix("pids ").split())
        expect(running(viewer), True, "the viewer runs")
        os.kill(demo.pid, signal.SIGTERM)
        expect(demo.wait(10), 0, "the demo's exit status")
        expect(left_to_the_test(launcher), False, "the launcher still there when the demo ended")
        expect("stopped" in errors.all(), True, f"the board says it stopped: {errors.all()}")
        wait_for(lambda: not running(viewer), "the viewer to end", timeout=5)


if __name__ == "__main__":
    sys.exit(run_test(Processes, globals()[sys.argv[1]], *sys.argv[2:]))
