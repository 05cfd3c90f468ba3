"""sensor-viewer-on and sensor-viewer-demo as a user runs them: the device bound as the
viewer's /dev/ttyS1, the board found when none is named, the refusals, and the demo
starting and stopping both sides.
Run: tst_launcher.py TEST LAUNCHER_SOURCE_DIR PROGRAM_DIR SIMULATOR, TEST one of the
functions below.

Most tests run the scripts from a scratch folder, where a stand-in viewer beside them
says where /dev/ttyS1 leads, opens it (or another device it is told to), polls channel 1
and prints the frame: it proves what the namespace holds and that the viewer's exit
status comes back. For the demo it prints its own PID and its parent's and waits instead.
A stand-in chooser there keeps the text of each error box. Adapters are pseudo-terminals
bound into a /dev of the test's own, the launcher running inside it. One test runs the
real viewer."""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from processes import BWRAP, Lines, Processes, expect, in_private_dev, run_test, wait_for

PR_SET_CHILD_SUBREAPER = 36
STAND_IN = """#!/bin/bash
echo "arguments: $#"
echo "ttyS1 leads to: $(readlink /dev/ttyS1)"
if [ -n "${STAND_IN_WAITS:-}" ]; then echo "pids $$ $PPID"; exec sleep 60; fi
port=${STAND_IN_OPENS:-/dev/ttyS1}
echo "opening $port"
for _ in $(seq 100); do [ -e "$port" ] && break; sleep 0.1; done
exec 3<>"$port" || exit 99
printf k >&3
head -c 2 <&3 | od -An -tx1
exit 7
"""
STAND_IN_CHOOSER = """#!/bin/bash
[ "$1" = --error ] && printf '%s\\n' "$2" >>"$0.boxes"
"""


def scratch_folder(launcher_dir, simulator, chooser=None):
    """The scripts beside a stand-in viewer, the simulator and `chooser` (the stand-in when
    None), a link to nothing (`gone`), an empty folder and a serial/by-id folder; removed
    when the test ends."""
    folder = tempfile.TemporaryDirectory(prefix="launcher-")
    path = folder.name
    for script in ("sensor-viewer-on", "sensor-viewer-demo"):
        shutil.copy(os.path.join(launcher_dir, script), path)
    for name, text in (("sensor-viewer", STAND_IN), ("sensor-viewer-chooser", STAND_IN_CHOOSER)):
        with open(os.path.join(path, name), "w") as stand_in:
            stand_in.write(text)
        os.chmod(os.path.join(path, name), 0o755)
    if chooser:
        os.remove(os.path.join(path, "sensor-viewer-chooser"))
        os.symlink(chooser, os.path.join(path, "sensor-viewer-chooser"))
    os.symlink(simulator, os.path.join(path, "sensor-board-sim"))
    os.symlink(os.path.join(path, "missing"), os.path.join(path, "gone"))
    os.makedirs(os.path.join(path, "empty"))
    os.makedirs(os.path.join(path, "serial", "by-id"))
    return folder


def boxes(folder):
    """The texts of the error boxes shown so far."""
    try:
        with open(os.path.join(folder, "sensor-viewer-chooser.boxes")) as shown:
            return shown.read().splitlines()
    except FileNotFoundError:
        return []


def private_dev(folder, devices, by_id=None, without_bubblewrap=False):
    """in_private_dev(devices, by_id), bubblewrap there being a file that does not run if
    asked."""
    binds = {}
    if without_bubblewrap:
        binds[BWRAP] = os.path.join(folder, "not-a-program")
        open(binds[BWRAP], "w").close()
    return in_private_dev(devices, by_id, binds)


def start_script(processes, folder, script, *arguments, inside=(), **environment):
    """Runs one of the scripts in the scratch folder, `inside` the start of a command line
    if given, its output and errors piped."""
    return processes.start([*inside, "/bin/bash", os.path.join(folder, script), *arguments],
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
    # The device as given, or found, and what the viewer's /dev/ttyS1 is: the device itself,
    # or a link on the way to it that the viewer follows again when the board comes back.
    chooser = os.path.join(program_dir, "sensor-viewer-chooser")
    with scratch_folder(launcher_dir, simulator, chooser) as folder:
        link = os.path.join(folder, "board")
        relative_link = os.path.join(folder, "serial", "by-id", "usb-board")
        adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
        by_id = f"/dev/.host/serial/by-id/{adapter}"
        # "pty" stands for the board's own pseudo-terminal, None for no device given.
        cases = [
            ("pseudo-terminal", "pty", ""),
            ("absolute link", link, link),
            ("relative link", relative_link, relative_link),
            ("USB node with udev's link", "/dev/ttyUSB0", by_id),
            ("no device, one adapter found", None, by_id),
        ]
        for name, given, leads_to in cases:
            board = processes.start_board(simulator,
                                          *(["--link", link] if given == link else []))
            if given == relative_link:
                os.symlink(os.path.relpath(board.device, os.path.dirname(given)), given)
            inside = ()
            if given in ("/dev/ttyUSB0", None):
                inside = private_dev(folder, {"ttyUSB0": board.device}, {adapter: "../../ttyUSB0"})
            launcher = start_script(processes, folder, "sensor-viewer-on",
                                    *([board.device if given == "pty" else given] if given else []),
                                    inside=inside)
            output, errors = launcher.communicate(timeout=30)
            expect(output, f"arguments: 0\nttyS1 leads to: {leads_to}\nopening /dev/ttyS1\n"
                   " 00 02\n", f"{name}: the stand-in's output ({errors})")
            expect(launcher.returncode, 7, f"{name}: exit status")
            wait_for(lambda: board.log("rx 6b"), f"{name}: the board to receive the poll",
                     timeout=10)
            if given == relative_link:
                os.remove(given)


def shows_devices_plugged_in_after_start(processes, launcher_dir, program_dir, simulator):
    # The viewer's /dev follows the machine's: a second adapter plugged in while the viewer
    # runs can be opened by its name.
    with scratch_folder(launcher_dir, simulator) as folder:
        boards = [processes.start_board(simulator) for _ in range(2)]
        # The second board's device waits under a hidden name until the test plugs it in.
        plugged = os.path.join(folder, "plugged")
        plug_later = ["/bin/bash", "-c", '(for _ in $(seq 300); do [ -e "$1" ] && break; '
                      'sleep 0.1; done; ln -s .later /dev/ttyUSB1) & shift; exec "$@"', "plug",
                      plugged]
        inside = private_dev(folder, {"ttyUSB0": boards[0].device, ".later": boards[1].device})
        launcher = start_script(processes, folder, "sensor-viewer-on", "/dev/ttyUSB0",
                                inside=inside + plug_later, STAND_IN_OPENS="/dev/ttyUSB1")
        output = Lines(launcher.stdout)
        wait_for(lambda: output.starting("opening"), "the stand-in to look for ttyUSB1")
        open(plugged, "w").close()
        expect(output.all()[-1:], [" 00 02"], "the frame read from the device plugged in later")
        expect(launcher.wait(10), 7, "exit status")
        expect(boards[1].log("rx 6b") != [], True, "the second board polled")
        expect(boards[0].log("rx "), [], "what the first board received")


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
        # What is given, PATH when not the test's own, the last line the launcher writes to
        # standard error, its status, and the box that shows the same to a user from the
        # menu (standard error is no terminal here).
        cases = [
            ("missing device", "/dev/ttyUSB-absent", None,
             "sensor-viewer-on: /dev/ttyUSB-absent does not exist. Is the board plugged in? "
             "USB serial adapters appear as /dev/ttyUSB0 or /dev/ttyACM0; ls "
             "/dev/serial/by-id/ lists them by name.", 1,
             "Não foi possível abrir /dev/ttyUSB-absent: o dispositivo não existe. Verifique se "
             "a placa está ligada ao computador; os adaptadores USB-serial aparecem como "
             "/dev/ttyUSB0 ou /dev/ttyACM0."),
            ("link to nothing", f"{folder}/gone", None,
             f"sensor-viewer-on: {folder}/gone is a link to {folder}/missing, which does not "
             "exist. Is the board plugged in?", 1,
             f"Não foi possível abrir {folder}/gone: ele aponta para {folder}/missing, que não "
             "existe. Verifique se a placa está ligada ao computador."),
            ("not a device", f"{folder}/empty", None,
             f"sensor-viewer-on: {folder}/empty is not a serial device (a terminal or "
             "pseudo-terminal).", 1,
             f"Não foi possível abrir {folder}/empty: não é um dispositivo serial. Escolha a "
             "porta em que a placa está ligada, como /dev/ttyUSB0."),
            ("device that is not a terminal", "/dev/null", None,
             "sensor-viewer-on: /dev/null is not a serial device (a terminal or "
             "pseudo-terminal).", 1,
             "Não foi possível abrir /dev/null: não é um dispositivo serial. Escolha a porta em "
             "que a placa está ligada, como /dev/ttyUSB0."),
            ("bubblewrap missing", "/dev/null", f"{folder}/empty",
             "sensor-viewer-on: bubblewrap (bwrap) is not installed; it gives the viewer "
             "its own /dev/ttyS1. Install it with: sudo apt install bubblewrap", 1,
             "O bubblewrap (bwrap) não está instalado; é ele que mostra /dev/null ao "
             "visualizador como a sua porta COM2. Instale-o com: sudo apt install bubblewrap"),
            ("unknown option", "-x", None, "sensor-viewer-on: unknown option -x.", 2,
             "Opção desconhecida: -x. Uso: sensor-viewer-on [DISPOSITIVO]"),
        ]
        for name, given, path, message, status, box in cases:
            shown = len(boxes(folder))
            launcher = start_script(processes, folder, "sensor-viewer-on", given,
                                    PATH=path or os.environ["PATH"])
            _, errors = launcher.communicate(timeout=30)
            expect(errors.splitlines()[-1:], [message], f"{name}: the message")
            expect(launcher.returncode, status, f"{name}: exit status")
            expect(boxes(folder)[shown:], [box], f"{name}: the box")


def without_bubblewrap_the_viewer_opens_COM2(processes, launcher_dir, program_dir, simulator):
    # As from the menu, with no device named: no other device can be shown as COM2, so the
    # plain viewer opens the real one, after a box that says why.
    with scratch_folder(launcher_dir, simulator) as folder:
        board = processes.start_board(simulator)
        launcher = start_script(processes, folder, "sensor-viewer-on", inside=private_dev(
            folder, {"ttyS1": board.device}, without_bubblewrap=True))
        output, errors = launcher.communicate(timeout=30)
        expect(errors, "sensor-viewer-on: bubblewrap (bwrap) is not installed, so only COM2 "
               "(/dev/ttyS1) can be used: starting the viewer on it. For a board on another "
               "port, such as a USB adapter, install it with: sudo apt install bubblewrap\n",
               "the message")
        expect(boxes(folder), ["O bubblewrap (bwrap) não está instalado, e por isso só a porta "
                               "COM2 (/dev/ttyS1) pode ser usada: o visualizador vai abri-la. "
                               "Para usar uma placa noutra porta, como um adaptador USB, "
                               "instale-o com: sudo apt install bubblewrap"], "the box")
        expect(output, "arguments: 0\nttyS1 leads to: \nopening /dev/ttyS1\n 00 02\n",
               "the stand-in's output")
        expect(launcher.returncode, 7, "exit status")


def demo_stops_both_on_any_signal(processes, launcher_dir, program_dir, simulator):
    # The demo ends the viewer's launcher itself before it ends. Orphans come to this
    # test rather than to init, so a launcher it left behind becomes the test's child.
    expect(ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, 1), 0, "orphans coming to the test")
    with scratch_folder(launcher_dir, simulator) as folder:
        for signal_number in (signal.SIGTERM, signal.SIGHUP):
            name = signal_number.name
            demo = start_script(processes, folder, "sensor-viewer-demo", STAND_IN_WAITS="1")
            output, errors = Lines(demo.stdout), Lines(demo.stderr)
            pids = wait_for(lambda: output.starting("pids "), f"{name}: the stand-in's PIDs",
                            timeout=30)
            viewer, launcher = map(int, pids[0][1].removeprefix("pids ").split())
            expect(running(viewer), True, f"{name}: the viewer runs")
            os.kill(demo.pid, signal_number)
            expect(demo.wait(10), 0, f"{name}: the demo's exit status")
            expect(left_to_the_test(launcher), False,
                   f"{name}: the launcher still there when the demo ended")
            expect("stopped" in errors.all(), True, f"{name}: the board says it stopped")
            wait_for(lambda: not running(viewer), f"{name}: the viewer to end", timeout=5)


if __name__ == "__main__":
    sys.exit(run_test(Processes, globals()[sys.argv[1]], *sys.argv[2:]))
