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
if [ -n "${STAND_IN_WAITS:-}" ]; then
    trap 'echo "port closed"; exit 0' TERM
    echo "pid $$"
    exec 9<> <(:)
    read -r -t 60 -u 9
    exit 0
fi
port=${STAND_IN_OPENS:-/dev/ttyS1}
echo "opening $port"
for _ in $(seq 100); do [ -e "$port" ] && break; sleep 0.1; done
exec 3<>"$port" || exit 99
printf k >&3
head -c 2 <&3 | od -An -tx1
exit 7
"""
STAND_IN_CHOOSER = """#!/bin/bash
case "$1" in
--error) printf '%s\\n' "$2" >>"$0.boxes" ;;
--check) exec CHOOSER "$@" ;;
*) echo "pid $$" >&2; exec sleep 60 ;; # a window nobody answers
esac
"""


def scratch_folder(launcher_dir, program_dir, simulator, real_chooser=False):
    """The scripts beside a stand-in viewer, the simulator and the chooser (a stand-in that
    leaves device checks to the real one, unless `real_chooser`) and a serial/by-id folder;
    removed when the test ends."""
    folder = tempfile.TemporaryDirectory(prefix="launcher-")
    path = folder.name
    chooser = os.path.join(program_dir, "sensor-viewer-chooser")
    for script in ("sensor-viewer-on", "sensor-viewer-demo", "sensor-viewer-common.sh"):
        shutil.copy(os.path.join(launcher_dir, script), path)
    for name, text in (("sensor-viewer", STAND_IN),
                       ("sensor-viewer-chooser", STAND_IN_CHOOSER.replace("CHOOSER", chooser))):
        with open(os.path.join(path, name), "w") as stand_in:
            stand_in.write(text)
        os.chmod(os.path.join(path, name), 0o755)
    open(os.path.join(path, "sensor-viewer-chooser.boxes"), "w").close()  # none shown yet
    if real_chooser:
        os.remove(os.path.join(path, "sensor-viewer-chooser"))
        os.symlink(chooser, os.path.join(path, "sensor-viewer-chooser"))
    os.symlink(simulator, os.path.join(path, "sensor-board-sim"))
    os.makedirs(os.path.join(path, "serial", "by-id"))
    return folder


def boxes(folder):
    """The texts of the error boxes shown so far."""
    with open(os.path.join(folder, "sensor-viewer-chooser.boxes")) as shown:
        return shown.read().splitlines()


def start_script(processes, folder, script, *arguments, inside=(), stdin=None, **environment):
    """Runs one of the scripts in the scratch folder, `inside` the start of a command line
    if given, its output and errors piped."""
    return processes.start([*inside, "/bin/bash", os.path.join(folder, script), *arguments],
                           env=dict(os.environ, **environment), stdin=stdin,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


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
    # or udev's link on the way to it that the viewer follows again when the board comes
    # back. (A link given, as the simulator's, stays that link: the end-to-end recording
    # test finds the board again through it.)
    with scratch_folder(launcher_dir, program_dir, simulator, real_chooser=True) as folder:
        board = processes.start_board(simulator)
        expect(stand_in_through_launcher(processes, folder, board, board.device),
               (stand_in_saw(""), 7), "pseudo-terminal: the stand-in's output, exit status")

        adapter = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
        board = processes.start_board(simulator)
        inside = in_private_dev({"ttyUSB0": board.device}, {adapter: "../../ttyUSB0"})
        expect(stand_in_through_launcher(processes, folder, board, "/dev/ttyUSB0", inside=inside),
               (stand_in_saw(f"/dev/.host/serial/by-id/{adapter}"), 7),
               "USB node with udev's link: the stand-in's output, exit status")
        # Not even a lone adapter is taken without asking; with no window to ask in, it is
        # named for the user to give.
        launcher = start_script(processes, folder, "sensor-viewer-on", inside=inside, DISPLAY="",
                                WAYLAND_DISPLAY="", QT_QPA_PLATFORM="")
        expect(launcher.communicate(timeout=30)[1:] + (launcher.returncode,),
               ("sensor-viewer-on: one serial device found, but no display to ask whether it "
                f"is the board's; name the one to use: sensor-viewer-on DEVICE, or try "
                f"sensor-viewer-demo.\n  /dev/serial/by-id/{adapter}\n", 2),
               "no device named, one adapter, no display: the message, exit status")


def launcher_shows_devices_plugged_in_after_start(processes, launcher_dir, program_dir, simulator):
    # The viewer's /dev follows the machine's: a second adapter plugged in while the viewer
    # runs can be opened by its name.
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
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
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
        # Pseudo-terminals someone types in: the launcher's standard input (it is run from
        # one, as from a terminal), and a session's controlling terminal, as a shell's. (A
        # simulated board's, which neither is, is taken: launcher_binds_the_device_as_ttyS1.)
        run_from, sessions = os.openpty(), os.openpty()
        processes.start(["setsid", "--ctty", "/bin/sh", "-c", "echo ready; exec sleep 60"],
                        stdin=sessions[1], stdout=subprocess.PIPE, text=True).stdout.readline()
        loop = os.path.join(folder, "loop1")
        os.symlink("loop2", loop)
        os.symlink("loop1", os.path.join(folder, "loop2"))
        # What is given, PATH when not the test's own, the last line the launcher writes to
        # standard error, its status, and the box that shows the same to a user from the
        # menu (standard error is no terminal here).
        cases = [
            ("missing device", ["/dev/ttyUSB-absent"], None,
             "sensor-viewer-on: /dev/ttyUSB-absent does not exist. Is the board plugged in? "
             "USB serial adapters appear as /dev/ttyUSB0 or /dev/ttyACM0; ls "
             "/dev/serial/by-id/ lists them by name.", 1,
             "Não foi possível abrir /dev/ttyUSB-absent: o dispositivo não existe. Verifique se "
             "a placa está ligada ao computador; os adaptadores USB-serial aparecem como "
             "/dev/ttyUSB0 ou /dev/ttyACM0."),
            ("a loop of links", [loop], None,
             f"sensor-viewer-on: {loop} is a loop of symbolic links, which leads to no device. "
             "Name the port the board is plugged into, such as /dev/ttyUSB0.", 1,
             f"Não foi possível abrir {loop}: os links simbólicos do caminho formam um laço. "
             "Escolha a porta em que a placa está ligada, como /dev/ttyUSB0."),
            ("device that is not a terminal", ["/dev/null"], None,
             "sensor-viewer-on: /dev/null is not a serial device (a terminal or "
             "pseudo-terminal).", 1,
             "Não foi possível abrir /dev/null: não é um dispositivo serial. Escolha a porta em "
             "que a placa está ligada, como /dev/ttyUSB0."),
            ("bubblewrap missing", ["/dev/null"], f"{folder}/missing",
             "sensor-viewer-on: bubblewrap (bwrap) is not installed; it gives the viewer "
             "its own /dev/ttyS1. Install it with: sudo apt install bubblewrap", 1,
             "O bubblewrap (bwrap) não está instalado; é ele que mostra /dev/null ao "
             "visualizador como a sua porta COM2. Instale-o com: sudo apt install bubblewrap"),
            *[(f"{what}: a terminal, not a serial line", [terminal], None,
               f"sensor-viewer-on: {terminal} is a terminal of this computer (a console or the "
               "terminal you type in), not a serial line. Name the port the board is plugged "
               "into, such as /dev/ttyUSB0.", 1,
               f"Não foi possível abrir {terminal}: é um terminal do próprio computador (um "
               "console ou o terminal em que se digita), e não uma linha serial. Escolha a "
               "porta em que a placa está ligada, como /dev/ttyUSB0.")
              for what, terminal in (
                  ("/dev/tty", "/dev/tty"), ("/dev/ptmx", "/dev/ptmx"),
                  ("the pseudo-terminal it is run from", os.ttyname(run_from[1])),
                  ("a session's pseudo-terminal", os.ttyname(sessions[1])))],
            ("an empty name", [""], None, "sensor-viewer-on: the device's name is empty.", 2,
             "O nome do dispositivo está vazio. Uso: sensor-viewer-on [DISPOSITIVO]"),
            ("two devices", ["a", "b"], None,
             "sensor-viewer-on: one device at most, and 2 were given: a b.", 2,
             "Só um dispositivo pode ser dado, e foram dados 2: a b. Uso: sensor-viewer-on "
             "[DISPOSITIVO]"),
        ]
        for name, given, path, message, status, box in cases:
            shown = len(boxes(folder))
            # Were a terminal taken, the stand-in viewer would leave it alone.
            launcher = start_script(processes, folder, "sensor-viewer-on", *given,
                                    stdin=run_from[1], PATH=path or os.environ["PATH"],
                                    STAND_IN_WAITS="1")
            _, errors = launcher.communicate(timeout=30)
            expect(errors.splitlines()[-1:], [message], f"{name}: the message")
            expect(launcher.returncode, status, f"{name}: exit status")
            expect(boxes(folder)[shown:], [box], f"{name}: the box")


def launcher_without_bubblewrap_the_viewer_opens_COM2(processes, launcher_dir, program_dir, simulator):
    # As from the menu, with no device named: no other device can be shown as COM2, so the
    # plain viewer opens the real one, after a box that says why.
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
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
                               "Para usar uma placa em outra porta, como um adaptador USB, "
                               "instale-o com: sudo apt install bubblewrap"], "the box")
        expect(output, stand_in_saw(""), "the stand-in's output")
        expect(launcher.returncode, 7, "exit status")


def child_running(pid, script):
    """The PID of the child of `pid` that runs the script named `script`."""
    with open(f"/proc/{pid}/task/{pid}/children") as children:
        for child in children.read().split():
            with open(f"/proc/{child}/cmdline", "rb") as command:
                arguments = command.read().split(b"\0")
            if any(argument.endswith(f"/{script}".encode()) for argument in arguments):
                return int(child)
    raise AssertionError(f"no child of {pid} runs {script}")


def launcher_demo_stops_both_on_any_signal(processes, launcher_dir, program_dir, simulator):
    # Whatever signal ends the demo, or the sensor-viewer-on it started, the board and the
    # viewer end with it: Ctrl-C's too, which a script's background job ignores unless told.
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
        for signal_number, to in ((signal.SIGTERM, "sensor-viewer-demo"),
                                  (signal.SIGHUP, "sensor-viewer-demo"),
                                  (signal.SIGINT, "sensor-viewer-demo"),
                                  (signal.SIGINT, "sensor-viewer-on")):
            name = f"{signal_number.name} to {to}"
            demo = start_script(processes, folder, "sensor-viewer-demo", STAND_IN_WAITS="1")
            output, errors = Lines(demo.stdout), Lines(demo.stderr)
            started = wait_for(lambda: output.starting("pid "), f"{name}: the stand-in's PID",
                               timeout=30)
            viewer = int(started[0][1].split()[1])
            expect(running(viewer), True, f"{name}: the viewer runs")
            os.kill(demo.pid if to == "sensor-viewer-demo" else child_running(demo.pid, to),
                    signal_number)
            expect(demo.wait(10), 0, f"{name}: the demo's exit status")
            expect("stopped" in errors.all(), True, f"{name}: the board says it stopped")
            wait_for(lambda: not running(viewer), f"{name}: the viewer to end", timeout=5)


def launcher_ended_by_a_signal_leaves_nothing_behind(processes, launcher_dir, program_dir, simulator):
    # Ended while the viewer runs, the launcher lets it close its port as when the user
    # closes it, which gives the line its settings back; ended while its window is up, the
    # window goes with it. Its folder goes too, at the latest at the next run.
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
        runtime = os.path.join(folder, "runtime")
        os.mkdir(runtime)
        board = processes.start_board(simulator)
        for name, given, signal_number in (("viewer, TERM", [board.device], signal.SIGTERM),
                                           ("viewer, HUP", [board.device], signal.SIGHUP),
                                           ("chooser's window, TERM", [], signal.SIGTERM),
                                           ("viewer, KILL", [board.device], signal.SIGKILL)):
            launcher = start_script(processes, folder, "sensor-viewer-on", *given,
                                    STAND_IN_WAITS="1", XDG_RUNTIME_DIR=runtime)
            output = Lines(launcher.stdout if given else launcher.stderr)
            started = wait_for(lambda: output.starting("pid "), f"{name}: the PID", timeout=30)
            pid = int(started[0][1].split()[1])
            os.kill(launcher.pid, signal_number)
            launcher.wait(10)
            wait_for(lambda: not running(pid), f"{name}: its process to end", timeout=5)
            if given and signal_number != signal.SIGKILL:
                expect(output.all()[-1:], ["port closed"], f"{name}: the viewer's last words")
            expect(len(os.listdir(runtime)), int(signal_number == signal.SIGKILL),
                   f"{name}: folders left")
        start_script(processes, folder, "sensor-viewer-on", "/dev/null",
                     XDG_RUNTIME_DIR=runtime).communicate(timeout=30)
        expect(os.listdir(runtime), [], "the folder of the run killed, after the next run")


def launcher_demo_tells_why_the_board_did_not_start(processes, launcher_dir, program_dir, simulator):
    with scratch_folder(launcher_dir, program_dir, simulator) as folder:
        demo = start_script(processes, folder, "sensor-viewer-demo", "--no-such-option")
        demo.communicate(timeout=30)
        expect(boxes(folder), ["A placa simulada não começou a funcionar. O simulador disse: "
                               "unknown option '--no-such-option'"], "the box")


if __name__ == "__main__":
    sys.exit(main(Processes, globals(), "launcher_"))
