"""sensor-viewer-on and sensor-viewer-demo as a user runs them: the device bound as the
viewer's /dev/ttyS1, the board found when none is named, the refusals, and the demo
starting and stopping both sides. Run by CTest, one test per launcher_ function below.

The tests run the scripts from a scratch folder beside a stand-in viewer, which says
where /dev/ttyS1 leads, polls the board there and prints the frame (for the demo, its
PID), and a stand-in chooser, which keeps the text of each error box. Adapters are
pseudo-terminals bound into a /dev of the test's own, the launcher running inside it."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

from processes import BWRAP, Lines, Processes, expect, in_private_dev, main, wait_for

STAND_IN = """#!/bin/bash
echo "arguments: $#"
echo "ttyS1 leads to: $(readlink /dev/ttyS1)"
if [ -n "${STAND_IN_WAITS:-}" ]; then echo "pid $$"; exec sleep 60; fi
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
    None) and a serial/by-id folder; removed when the test ends."""
    folder = tempfile.TemporaryDirectory(prefix="launcher-")
    path = folder.name
    for script in ("sensor-viewer-on", "sensor-viewer-demo"):
        shutil.copy(os.path.join(launcher_dir, script), path)
    for name, text in (("sensor-viewer", STAND_IN), ("sensor-viewer-chooser", STAND_IN_CHOOSER)):
        with open(os.path.join(path, name), "w") as stand_in:
            stand_in.write(text)
        os.chmod(os.path.join(path, name), 0o755)
    open(os.path.join(path, "sensor-viewer-chooser.boxes"), "w").close()  # none shown yet
    if chooser:
        os.remove(os.path.join(path, "sensor-viewer-chooser"))
        os.symlink(chooser, os.path.join(path, "sensor-viewer-chooser"))
    os.symlink(simulator, os.path.join(path, "sensor-board-sim"))
    os.makedirs(os.path.join(path, "serial", "by-id"))
    return folder


def boxes(folder):
    """The texts of the error boxes shown so far."""
    with open(os.path.join(folder, "sensor-viewer-chooser.boxes")) as shown:
        return shown.read().splitlines()


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


def stand_in_saw(leads_to):
    """The stand-in viewer's output when /dev/ttyS1 leads to `leads_to` and the board there
    answers its poll."""
    return f"arguments: 0\nttyS1 leads to: {leads_to}\nopening /dev/ttyS1\n 00 02\n"


def stand_in_through_launcher(processes, folder, board, *given, inside=()):
    """What the stand-in viewer printed and the launcher's exit status, the launcher run
    on `given` (a device, or none), once `board` has received the stand-in's poll."""
    launcher = start_script(processes, folder, "sensor-viewer-on", *given, inside=inside)
    output, _ = launcher.communicate(timeout=30)
    wait_for(lambda: board.log("rx 6b"), f"{given}: the board to receive the poll", timeout=10)
    return output, launcher.returncode


def launcher_binds_the_device_as_ttyS1(processes, launcher_dir, program_dir, simulator):
    # The device as given, or found, and what the viewer's /dev/ttyS1 is: the device itself,
    # or a link on the way to it that the viewer follows again when the board comes back.
    chooser = os.path.join(program_dir, "sensor-viewer-chooser")
    with scratch_folder(launcher_dir, simulator, chooser) as folder:
        board = processes.start_board(simulator)
        expect(stand_in_through_launcher(processes, folder, board, board.device),
               (stand_in_saw(""), 7), "pseudo-terminal: the stand-in's output, exit status")

        link = os.path.join(folder, "serial", "by-id", "usb-board")
        board = processes.start_board(simulator)
        os.symlink(os.path.relpath(board.device, os.path.dirname(link)), link)
        expect(stand_in_through_launcher(processes, folder, board, link),
               (stand_in_saw(link), 7), "relative link: the stand-in's output, exit status")

        adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
        for name, given in (("USB node with udev's link", ["/dev/ttyUSB0"]),
                            ("no device, one adapter found", [])):
            board = processes.start_board(simulator)
            inside = in_private_dev({"ttyUSB0": board.device}, {adapter: "../../ttyUSB0"})
            expect(stand_in_through_launcher(processes, folder, board, *given, inside=inside),
                   (stand_in_saw(f"/dev/.host/serial/by-id/{adapter}"), 7),
                   f"{name}: the stand-in's output, exit status")


def launcher_shows_devices_plugged_in_after_start(processes, launcher_dir, program_dir, simulator):
    # The viewer's /dev follows the machine's: a second adapter plugged in while the viewer
    # runs can be opened by its name.
    with scratch_folder(launcher_dir, simulator) as folder:
        boards = [processes.start_board(simulator) for _ in range(2)]
        # The second board's device waits under a hidden name until the test plugs it in.
        plugged = os.path.join(folder, "plugged")
        plug_later = ["/bin/bash", "-c", '(for _ in $(seq 300); do [ -e "$1" ] && break; '
                      'sleep 0.1; done; ln -s .later /dev/ttyUSB1) & shift; exec "$@"', "plug",
                      plugged]
        inside = in_private_dev({"ttyUSB0": boards[0].device, ".later": boards[1].device})
        launcher = start_script(processes, folder, "sensor-viewer-on", "/dev/ttyUSB0",
                                inside=inside + plug_later, STAND_IN_OPENS="/dev/ttyUSB1")
        output = Lines(launcher.stdout)
        wait_for(lambda: output.starting("opening"), "the stand-in to look for ttyUSB1")
        open(plugged, "w").close()
        expect(output.all()[-1:], [" 00 02"], "the frame read from the device plugged in later")
        expect(boards[0].log("rx "), [], "what the first board received")


def launcher_refuses_with_a_reason(processes, launcher_dir, program_dir, simulator):
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
            ("device that is not a terminal", "/dev/null", None,
             "sensor-viewer-on: /dev/null is not a serial device (a terminal or "
             "pseudo-terminal).", 1,
             "Não foi possível abrir /dev/null: não é um dispositivo serial. Escolha a porta em "
             "que a placa está ligada, como /dev/ttyUSB0."),
            ("bubblewrap missing", "/dev/null", f"{folder}/missing",
             "sensor-viewer-on: bubblewrap (bwrap) is not installed; it gives the viewer "
             "its own /dev/ttyS1. Install it with: sudo apt install bubblewrap", 1,
             "O bubblewrap (bwrap) não está instalado; é ele que mostra /dev/null ao "
             "visualizador como a sua porta COM2. Instale-o com: sudo apt install bubblewrap"),
        ]
        for name, given, path, message, status, box in cases:
            shown = len(boxes(folder))
            launcher = start_script(processes, folder, "sensor-viewer-on", given,
                                    PATH=path or os.environ["PATH"])
            _, errors = launcher.communicate(timeout=30)
            expect(errors.splitlines()[-1:], [message], f"{name}: the message")
            expect(launcher.returncode, status, f"{name}: exit status")
            expect(boxes(folder)[shown:], [box], f"{name}: the box")


def launcher_without_bubblewrap_the_viewer_opens_COM2(processes, launcher_dir, program_dir, simulator):
    # As from the menu, with no device named: no other device can be shown as COM2, so the
    # plain viewer opens the real one, after a box that says why.
    with scratch_folder(launcher_dir, simulator) as folder:
        board = processes.start_board(simulator)
        # bubblewrap there is a file that does not run.
        launcher = start_script(processes, folder, "sensor-viewer-on", inside=in_private_dev(
            {"ttyS1": board.device}, binds={BWRAP: "/dev/null"}))
        output, errors = launcher.communicate(timeout=30)
        expect(errors, "sensor-viewer-on: bubblewrap (bwrap) is not installed, so only COM2 "
               "(/dev/ttyS1) can be used: starting the viewer on it. For a board on another "
               "port, such as a USB adapter, install it with: sudo apt install bubblewrap\n",
               "the message")
        expect(boxes(folder), ["O bubblewrap (bwrap) não está instalado, e por isso só a porta "
                               "COM2 (/dev/ttyS1) pode ser usada: o visualizador vai abri-la. "
                               "Para usar uma placa noutra porta, como um adaptador USB, "
                               "instale-o com: sudo apt install bubblewrap"], "the box")
        expect(output, stand_in_saw(""), "the stand-in's output")
        expect(launcher.returncode, 7, "exit status")


def launcher_demo_stops_both_on_any_signal(processes, launcher_dir, program_dir, simulator):
    # Whatever signal ends the demo, the board and the viewer end with it.
    with scratch_folder(launcher_dir, simulator) as folder:
        for signal_number in (signal.SIGTERM, signal.SIGHUP):
            name = signal_number.name
            demo = start_script(processes, folder, "sensor-viewer-demo", STAND_IN_WAITS="1")
            output, errors = Lines(demo.stdout), Lines(demo.stderr)
            started = wait_for(lambda: output.starting("pid "), f"{name}: the stand-in's PID",
                               timeout=30)
            viewer = int(started[0][1].split()[1])
            expect(running(viewer), True, f"{name}: the viewer runs")
            os.kill(demo.pid, signal_number)
            expect(demo.wait(10), 0, f"{name}: the demo's exit status")
            expect("stopped" in errors.all(), True, f"{name}: the board says it stopped")
            wait_for(lambda: not running(viewer), f"{name}: the viewer to end", timeout=5)


if __name__ == "__main__":
    sys.exit(main(Processes, globals(), "launcher_"))
