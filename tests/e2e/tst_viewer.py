"""The real program as its user runs it, under Xvfb: on the simulated board behind
sensor-viewer-on, from the menu entry, given Qt's options, in Arabic or under a window
manager, with no COM2 at all, or with no display, driven by clicks and keys, watched on
the screen and through AT-SPI as a screen reader reads it. Run by CTest, one test per e2e_
function below: tst_viewer.py TEST BIN_DIR."""

import contextlib
import csv
import datetime
import math
import os
import shlex
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display, protocol

from processes import Processes, expect, in_private_dev, main, wait_for

CAPTION = "Visualização dos dados capturados pelo sensor"
DESKTOP_ENTRY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data",
                             "sensor-viewer.desktop")
LAMP = "Lâmpada da porta serial"  # the lamp's and the readout's descriptions: their
READOUT = "Tensão da última leitura, em volts"  # names are what they show
# The main window's controls as a screen reader lists them: role, name, description.
CONTROLS = [
    ("status bar", "Porta aberta", LAMP),
    ("label", "ComPort On/Off", ""),
    ("push button", "Configurar Serial", ""),
    ("push button", "Fechar", ""),
    ("label", "0.0", READOUT),
    ("combo box", "Canal", ""),
    ("chart", "Sinal do Sensor",
     "Gráfico de linha da tensão lida da placa, de 0 a 5,5 V, por amostra, de 0 a 100. Para "
     "medir, um clique põe o cursor A na amostra mais próxima e Shift+clique, o B; com o gráfico "
     "em foco, as teclas A e B os põem, as setas movem o último posto e Esc tira os dois"),
    ("push button", "Limpar Gráfico", ""),
]
RECORDING = "● Gravando — "  # the caption's mark while recording
# The chart's context menu as a screen reader reads it: each item's name and keys.
SESSION_MENU = [("Salvar dados…", "Ctrl+S"), ("Gravar continuamente…", "Ctrl+R"),
                ("Salvar imagem do gráfico…", "Ctrl+Shift+S"), ("Ver a sessão inteira", "Ctrl+0"),
                ("Marcar evento…", "Ctrl+M"), ("Copiar medidas", "Ctrl+Shift+C"),
                ("Abrir gravação…", "Ctrl+O")]
# The first focus, then where Tab takes it, round to the first again.
TAB_ORDER = ["Configurar Serial", "Fechar", "Canal", "Sinal do Sensor", "Limpar Gráfico",
             "Configurar Serial"]


class Session(Processes):
    """A private desktop for driving the real program: an X server, and a session bus with
    the accessibility bus behind it."""

    runtime_dir = None

    def set_up(self):
        # A runtime folder of its own: the accessibility bus's socket lives there, and a
        # session sharing it with another would lose its bus to the other's.
        self.runtime_dir = tempfile.mkdtemp(prefix="e2e-runtime-")
        os.environ["XDG_RUNTIME_DIR"] = self.runtime_dir
        self.display = self.start_xvfb()
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, text=True)
        # What every program started from now on sees: this desktop, in Portuguese, with
        # a screen reader.
        os.environ.update(
            DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(),
            QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANGUAGE="pt_BR",
            LC_ALL="pt_BR.UTF-8")

    def close(self):
        super().close()
        if self.runtime_dir is not None:
            shutil.rmtree(self.runtime_dir, ignore_errors=True)


@contextlib.contextmanager
def x_window(window_id):
    """The X window, through a connection of its own, closed when done with."""
    x = display.Display()
    try:
        yield x, x.create_resource_object("window", int(window_id))
    finally:
        x.close()


def close_window(window_id):
    """Asks the window to close, as a window manager's close button does."""
    with x_window(window_id) as (x, window):
        window.send_event(protocol.event.ClientMessage(
            window=window, client_type=x.intern_atom("WM_PROTOCOLS"),
            data=(32, [x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        x.sync()


def outer_geometry(window_id):
    """The window's place and size on the screen: its frame's, when a window manager framed
    it."""
    with x_window(window_id) as (x, window):
        while window.query_tree().parent != x.screen().root:
            window = window.query_tree().parent
        box = window.get_geometry()
        return box.x, box.y, box.width, box.height


def has_icon(window_id):
    """Whether the window has an icon of its own: Qt gives it none."""
    with x_window(window_id) as (x, window):
        return window.get_full_property(x.intern_atom("_NET_WM_ICON"), 0) is not None


def extents(accessible):
    import pyatspi  # once the session bus is set: it connects on import
    return accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def screenshot(box):
    """The screen's pixels inside `box` (an AT-SPI rectangle), as RGB rows."""
    crop = f"{box.width}x{box.height}+{box.x}+{box.y}"
    pixels = subprocess.run(["import", "-window", "root", "-crop", crop, "-depth", "8", "rgb:-"],
                            capture_output=True, check=True).stdout
    row = 3 * box.width
    return [[tuple(pixels[i:i + 3]) for i in range(start, start + row, 3)]
            for start in range(0, len(pixels), row)]


def click(accessible):
    """A left click in the middle of an accessible control."""
    box = extents(accessible)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def key(*names):
    """Keys pressed in the window that holds the keyboard."""
    subprocess.run(["xdotool", "key", *names], check=True)


def windows_of(program):
    import pyatspi  # once the session bus is set: it connects on import
    return [window for app in pyatspi.Registry.getDesktop(0)
            if app is not None and app.name.endswith(program)
            for window in app if window is not None]


def main_window():
    return next((w for w in windows_of("sensor-viewer") if w.name == CAPTION), None)


def dialogs():
    """The program's boxes and dialogs, over its main window."""
    return [w for w in windows_of("sensor-viewer") if w.name != CAPTION]


def descendant(window, role, text=""):
    """The first control in `window` with this role and `text` in its name, once there is one."""
    import pyatspi
    return wait_for(lambda: pyatspi.findDescendant(
        window, lambda n: n.getRoleName() == role and text in n.name), f"a {role} {text!r}")


def control(frame, name=None, description=None):
    return wait_for(lambda: [c for c in frame if c.name == name or c.description == description],
                    f"the control {name or description!r}")[0]


def focused(frame):
    """The name of the control in `frame` that holds the keyboard focus, if one does."""
    import pyatspi
    node = pyatspi.findDescendant(frame, lambda n: n.getState().contains(pyatspi.STATE_FOCUSED))
    return node and (node.name or f"(a {node.getRoleName()} without a name)")


def focus(program):
    """The X id of `program`'s window on the screen, once it holds the keyboard, as after a
    click on it."""
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--classname",
                            f"^{program}$"], capture_output=True, text=True, check=True,
                           timeout=60)
    window_id = found.stdout.split()[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", window_id], check=True)
    return window_id


def start_on_board(session, bin_dir, *board_options):
    """The simulated board, and the program on it through the launcher, its window up and
    holding the keyboard."""
    board = session.start_board(os.path.join(bin_dir, "sensor-board-sim"), *board_options)
    viewer = session.start([os.path.join(bin_dir, "sensor-viewer-on"), board.device])
    frame = wait_for(main_window, "the main window in the accessibility tree", timeout=60)
    return board, viewer, frame, focus("sensor-viewer")


def trace(chart):
    """The pixels (x, y) of the chart where its trace, a blue line, is drawn."""
    return {(x, y) for y, row in enumerate(screenshot(chart))
            for x, (r, g, b) in enumerate(row) if b > 150 and r < 100 and g < 100}


def focus_events():
    """The controls that take the keyboard focus from now on, as a screen reader hears of
    them; read(seconds) waits and returns those so far. Menus are not among the windows:
    this is how a screen reader meets their items."""
    import pyatspi
    from gi.repository import GLib
    heard = []
    pyatspi.Registry.registerEventListener(lambda event: event.detail1 and heard.append(
        event.source), "object:state-changed:focused")

    def read(seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while GLib.MainContext.default().iteration(False):
                pass
            time.sleep(0.05)
        return heard
    return read


def record(path):
    """Starts a recording as a user does: Ctrl+R, the file's name typed into the dialog."""
    key("ctrl+r")
    wait_for(lambda: [w for w in dialogs() if w.name == "Gravar continuamente"], "the dialog")
    key("ctrl+a")
    subprocess.run(["xdotool", "type", path], check=True)
    key("Return")
    wait_for(lambda: [w for w in windows_of("sensor-viewer") if w.name == RECORDING + CAPTION],
             "the caption to say it is recording")
    focus("sensor-viewer")  # without a window manager, the keyboard went with the dialog


def type_into_dialog(title, text):
    """Types `text` into the field of the dialog titled `title`, as a user does, and Enter."""
    wait_for(lambda: [w for w in dialogs() if w.name == title], f"the dialog {title!r}")
    key("ctrl+a")
    subprocess.run(["xdotool", "type", text], check=True)
    key("Return")
    wait_for(lambda: not [w for w in dialogs() if w.name == title], f"{title!r} to close")
    focus("sensor-viewer")  # without a window manager, the keyboard went with the dialog


def readings_sent(board):
    """The readings of the frames the board sent, in order."""
    return [int(line.split()[6]) for _, line in board.log("tx ")]


def measures_panel(frame):
    """The chart's panel of measures, while it shows."""
    import pyatspi
    return pyatspi.findDescendant(frame, lambda n: n.name == "Medidas dos cursores")


def measures_shown(frame):
    """The measures the chart's panel shows, as a screen reader reads them: {name: text}."""
    panel = measures_panel(frame)
    return panel and dict(line.split(": ", 1) for line in panel.description.split("\n"))


def cursor_sample(frame, cursor):
    """The sample (from 1) cursor A or B is on, as read out; None while it is not placed."""
    shown = measures_shown(frame) or {}
    text = shown.get("Cursor " + cursor, "")
    return int(text.split(";")[0].split()[1]) if text else None


def number(text):
    """The first number in a measure's text, written with a decimal comma."""
    return float(text.split()[0].replace(",", "."))


def csv_rows(path, separator):
    with open(path, newline="", encoding="utf-8") as file:
        return list(csv.reader(file, delimiter=separator))


def viewer_pid(window_id):
    return int(subprocess.run(["xdotool", "getwindowpid", window_id], capture_output=True,
                              text=True, check=True).stdout)


def e2e_no_device_shows_one_box_and_ends(session, bin_dir):
    viewer = session.start([*in_private_dev(), os.path.join(bin_dir, "sensor-viewer")])
    box = wait_for(dialogs, "an error box", timeout=60)[0]
    expect(descendant(box, "label", "COM2").name, "Não foi possível abrir a porta COM2 "
           "(/dev/ttyS1): o dispositivo não existe. Verifique se a placa está ligada ao "
           "computador e se o nome da porta está certo.", "the box's text")
    time.sleep(2)  # a second box, or the main window, would come in this time
    expect([window.name for window in windows_of("sensor-viewer")], ["Erro"], "the windows shown")
    click(descendant(box, "push button"))
    expect(viewer.wait(20), 0, "exit status after OK")


def e2e_channel_2_is_polled_and_drawn(session, bin_dir):
    board, _, frame, _ = start_on_board(session, bin_dir, "--channel", "2=constant,2.5")
    chart = extents(control(frame, name="Sinal do Sensor"))
    expect(trace(chart), set(), "the trace before any reading")

    click(control(frame, name="Canal"))
    key("2")

    polls = wait_for(lambda: board.log("rx ")[:4] if len(board.log("rx ")) >= 4 else None,
                     "four polls", timeout=30)
    expect([line for _, line in polls], ["rx 6c l channel 2"] * 4, "the bytes polled")
    span = polls[3][0] - polls[0][0]
    expect(2.2 <= span <= 4.5, True, f"three poll periods take about 3 s, took {span:.2f} s")

    # 2.5 V every time: a horizontal line, growing one sample to the right each second.
    drawn = wait_for(lambda: len({x for x, _ in trace(chart)}) > 20 and trace(chart),
                     "a trace several samples long", timeout=30)
    rows = sorted({y for _, y in drawn})
    expect(rows[-1] - rows[0] <= 4, True, f"a flat trace, drawn on rows {rows}")


def e2e_window_opens_as_designed_whatever_qt_is_told(session, bin_dir):
    # Its place and size, caption and icon, and its controls' insides left to right: Qt's
    # own command-line options change none of it, nor does Arabic, whose Qt translation
    # would mirror the whole application and put its own words inside a Portuguese window.
    # A window manager, which frames the window a moment after it shows, gets the frame
    # that place and size. Each time, the test closes the window as a window manager does.
    board = session.start_board(os.path.join(bin_dir, "sensor-board-sim"))
    cases = [
        ("Qt's options", ["-qwindowtitle", "Foo", "-qwindowgeometry", "400x300+10+10",
                          "-reverse", "-platform", "nosuch"], "pt_BR"),
        ("Arabic", [], "ar_EG"),
        ("a window manager", [], "pt_BR"),
    ]
    for name, options, language in cases:
        if name == "a window manager":
            # A window mapped while the window manager starts up can be left unmanaged and
            # unmapped: the program starts once it has.
            started = os.path.join(session.runtime_dir, "window-manager-started")
            session.start(["openbox", "--sm-disable", "--startup", f"touch {started}"])
            wait_for(lambda: os.path.exists(started), "the window manager to start")
        viewer = session.start([*in_private_dev({"ttyS1": board.device}),
                                os.path.join(bin_dir, "sensor-viewer"), *options],
                               env=dict(os.environ, LC_ALL=language + ".UTF-8", LANGUAGE=language))
        frame = wait_for(main_window, f"{name}: the main window", timeout=60)
        window_id = focus("sensor-viewer")
        with contextlib.suppress(AssertionError):  # the frame comes, and is fitted, later
            wait_for(lambda: outer_geometry(window_id) == (289, 118, 875, 500), "the place")
        expect(outer_geometry(window_id), (289, 118, 875, 500),
               f"{name}: the window's place and size")
        expect(control(frame, name="Fechar").getRoleName(), "push button",
               f"{name}: the close button, in Portuguese")
        selector = control(frame, name="Canal")
        field, outside = extents(descendant(selector, "text")), extents(selector)
        expect(field.x - outside.x < outside.x + outside.width - field.x - field.width, True,
               f"{name}: the selector's field left of its arrow")
        expect(has_icon(window_id), True, f"{name}: the window's icon")
        close_window(window_id)
        expect(viewer.wait(20), 0, f"{name}: exit status")
        wait_for(lambda: not windows_of("sensor-viewer"), f"{name}: the window gone for AT-SPI")


def e2e_without_a_display_says_so_and_ends(session, bin_dir):
    desktop = ("DISPLAY", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE")
    viewer = session.start([*in_private_dev(), os.path.join(bin_dir, "sensor-viewer")],
                           env={k: v for k, v in os.environ.items() if k not in desktop},
                           stderr=subprocess.PIPE, text=True)
    _, errors = viewer.communicate(timeout=30)
    expect(errors, "sensor-viewer: nenhuma tela (display) encontrada. É um programa de área de "
           "trabalho: inicie-o em uma sessão gráfica.\n", "the message")
    expect(viewer.returncode, 0, "exit status")


def e2e_menu_entry_without_a_board_offers_the_demo(session, bin_dir):
    # The entry's command as the desktop runs it, the programs on PATH as when installed,
    # on a machine with no serial device at all.
    with open(DESKTOP_ENTRY) as entry:
        command = shlex.split(next(line for line in entry if line.startswith("Exec="))[5:])
    os.environ["PATH"] = f"{bin_dir}:{os.environ['PATH']}"
    menu = session.start([*in_private_dev(), *command])
    chooser = wait_for(lambda: windows_of("sensor-viewer-chooser"),
                       "the window that finds the board", timeout=60)[0]
    click(descendant(chooser, "push button", "Usar a placa simulada"))

    frame = wait_for(main_window, "the viewer on the simulated board", timeout=60)
    click(control(frame, name="Fechar"))
    expect(menu.wait(20), 0, "exit status after Fechar")


def e2e_launcher_opens_the_second_of_two_adapters(session, bin_dir):
    # Two USB adapters, as udev names them; the second picked with the keyboard.
    simulator = os.path.join(bin_dir, "sensor-board-sim")
    boards = [session.start_board(simulator) for _ in range(2)]
    session.start([
        *in_private_dev({"ttyUSB0": boards[0].device, "ttyUSB1": boards[1].device},
                        {"usb-FTDI_FT232R_USB_UART_A10K1TQD-if00-port0": "../../ttyUSB0",
                         "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0": "../../ttyUSB1"}),
        os.path.join(bin_dir, "sensor-viewer-on")])
    focus("sensor-viewer-chooser")  # the window that lists them
    key("Down", "Return")
    wait_for(lambda: boards[1].log("device opened"), "the viewer on the second adapter",
             timeout=60)
    expect(boards[0].log("device opened"), [], "the first board's device opened")


def e2e_controls_are_named_for_a_screen_reader(session, bin_dir):
    _, _, frame, _ = start_on_board(session, bin_dir)
    expect([(c.getRoleName(), c.name, c.description) for c in frame], CONTROLS,
           "the controls: role, name, description")


def e2e_keys_go_round_the_controls_and_press_them(session, bin_dir):
    _, _, frame, _ = start_on_board(session, bin_dir)
    order = [wait_for(lambda: focused(frame), "a focused control")]
    # The chart, the one control drawn by the program itself, shows when it has the focus.
    chart = extents(control(frame, name="Sinal do Sensor"))
    unfocused = screenshot(chart)
    for _ in TAB_ORDER[1:]:
        key("Tab")
        order.append(wait_for(lambda: focused(frame) != order[-1] and focused(frame),
                              "the focus to move"))
        if order[-1] == "Sinal do Sensor":
            wait_for(lambda: screenshot(chart) != unfocused, "a focus frame on the chart")
    expect(order, TAB_ORDER, "the Tab order")
    wait_for(lambda: screenshot(chart) == unfocused, "the chart's focus frame to go")
    # Enter presses the focused button, as Space does; Escape closes the dialog it opened.
    key("Return")
    wait_for(dialogs, "the set-up dialog")
    key("Escape")
    wait_for(lambda: not dialogs(), "the set-up dialog to close")


def e2e_session_menu_opens_three_ways_and_its_keys_work_anywhere(session, bin_dir):
    _, _, frame, _ = start_on_board(session, bin_dir)
    chart = control(frame, name="Sinal do Sensor")
    heard = focus_events()
    box = extents(chart)
    ways = {"right button": ["xdotool", "mousemove", "--sync", str(box.x + 40),
                             str(box.y + 40), "click", "3"],
            "Menu": ["xdotool", "key", "Menu"], "Shift+F10": ["xdotool", "key", "shift+F10"]}
    for way, command in ways.items():
        click(chart)
        subprocess.run(command, check=True)
        key("Down")
        items = [i for i in heard(1) if i.getRoleName() == "menu item"]
        expect([(i.name, i.queryAction().getKeyBinding(0)) for i in items[-1].parent
                if i.getRoleName() == "menu item"] if items else [], SESSION_MENU,
               f"{way}: the menu's items and keys")
        key("Escape")
        heard(0).clear()
    # The keys work wherever the focus is: here on "Limpar Gráfico" (Ctrl+R and Ctrl+S, on
    # the channel's field, are the recording tests' own).
    click(chart)
    key("Tab")
    key("ctrl+0")
    wait_for(lambda: "a sessão inteira" in chart.description, "ctrl+0: the whole session shown")


def e2e_recording_goes_on_across_an_unplug_and_ends_whole_on_sigterm(session, bin_dir):
    folder = tempfile.mkdtemp(prefix="e2e-recording-", dir=session.runtime_dir)
    board, launcher, frame, window_id = start_on_board(
        session, bin_dir, "--link", os.path.join(folder, "board"), "--unplug", "8",
        "--replug", "3", "--channel", "2=ramp,0,5,10")
    click(control(frame, name="Canal"))
    key("2")
    path = os.path.join(folder, "gravacao.csv")
    record(path)
    wait_for(lambda: len(board.log("device opened")) == 2 and len(readings_sent(board)) >= 14,
             "frames after the board's return", timeout=40)
    os.kill(viewer_pid(window_id), signal.SIGTERM)
    expect(launcher.wait(20), 0, "exit status after SIGTERM")
    sent = readings_sent(board)
    rows = csv_rows(path, ";")
    recorded = [int(row[4]) for row in rows[1:]]
    # Frames the board sent one after another: one still on its way when the viewer ended
    # was sent but never read.
    in_a_row = any(sent[start:start + len(recorded)] == recorded
                   for start in range(len(sent) - len(recorded) + 1))
    expect(in_a_row and len(recorded) >= 10, True,
           f"the readings recorded {recorded}, the last of those sent {sent}")
    instants = [datetime.datetime.fromisoformat(row[1]) for row in rows[1:]]
    gap = max(b - a for a, b in zip(instants, instants[1:])).total_seconds()
    expect(gap > 3, True, f"the unplugged time shows as a gap in instante, {gap} s")


def e2e_cursors_by_mouse_and_keys_measure_the_frames_sent(session, bin_dir):
    """A click puts A on the trace's first sample, a Shift+click B on its last; the arrows
    move them; Esc removes them and the keys A and B put them on the first and the latest
    sample shown. Each time the measures read out are those of the frames the board sent,
    to the last digit shown, and Δt is the time between their sending."""
    board, _, frame, _ = start_on_board(session, bin_dir, "--channel", "1=ramp,0,5,10")
    click(control(frame, name="Canal"))
    key("1")
    wait_for(lambda: len(readings_sent(board)) >= 8, "eight frames", timeout=30)
    box = extents(control(frame, name="Sinal do Sensor"))
    drawn = trace(box)
    left, right = min(x for x, _ in drawn), max(x for x, _ in drawn)
    middle = str(box.y + box.height // 2)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + left + 1), middle, "click", "1",
                    "mousemove", "--sync", str(box.x + right - 1), middle,
                    "keydown", "shift", "click", "1", "keyup", "shift"], check=True)

    def check(step, a, b):
        """The measures read out once A is on sample a and B on sample b (from 1)."""
        shown = wait_for(lambda: cursor_sample(frame, "A") == a and cursor_sample(frame, "B") == b
                         and measures_shown(frame), f"{step}: A on sample {a}, B on {b}")
        volts = [reading * 5 / 1024 for reading in readings_sent(board)[a - 1:b]]
        sent = [when for when, _ in board.log("tx ")]
        expected = {"ΔV (B − A)": (volts[-1] - volts[0], 0.0005),
                    "Mínimo": (min(volts), 0.0005), "Máximo": (max(volts), 0.0005),
                    "Média": (statistics.mean(volts), 0.00005),
                    "RMS": (math.sqrt(statistics.mean(v * v for v in volts)), 0.00005),
                    "Desvio padrão (N − 1)": (statistics.stdev(volts), 0.00005),
                    "Δt (B − A)": (sent[b - 1] - sent[a - 1], 0.1)}
        expect(int(shown["Amostras de A a B (N)"]), b - a + 1, f"{step}: N")
        for name, (value, within) in expected.items():
            expect(abs(number(shown[name]) - value) <= within + 1e-9, True,
                   f"{step}: {name} read out {shown[name]!r}, from the frames {value}")

    b = wait_for(lambda: cursor_sample(frame, "B"), "B placed by Shift+click")
    check("by the mouse", 1, b)
    key("Left", "Left", "a", "Right")  # B, placed last, moves first
    check("by the arrows", 2, b - 2)
    key("Escape")
    wait_for(lambda: not measures_panel(frame), "Esc to remove both cursors")
    key("a", "b")
    latest = wait_for(lambda: cursor_sample(frame, "B"), "B placed by its key")
    sent = len(readings_sent(board))
    expect(sent - 2 <= latest <= sent, True, f"B on the latest sample: {latest} of {sent} sent")
    check("by the keys A and B", 1, latest)


def e2e_a_recording_opens_in_a_window_of_its_own_past_a_bad_row(session, bin_dir):
    """Ctrl+O opens a recording with a bad row in the middle in a window titled with its
    name: one box names the line skipped; the cursors there measure the rows read, with
    the event among them; the file is left as it was, the main window goes on polling, and
    closing it ends the program, the recording's window with it."""
    board, launcher, frame, window_id = start_on_board(session, bin_dir)
    click(control(frame, name="Canal"))
    key("1")
    path = os.path.join(tempfile.mkdtemp(prefix="e2e-open-", dir=session.runtime_dir),
                        "ontem.csv")
    lines = ["amostra;instante;tempo_s;canal;leitura;tensao_V;evento"]
    for n in range(20):  # a reading 20 higher each second, an event at the sixth
        volts = f"{20 * n * 5 / 1024:.15g}".replace(".", ",")
        event = '"aquecedor; ligado"' if n == 5 else ""
        lines.append(f"{n + 1};2026-12-07T14:30:{n:02}.000;{n},000;1;{20 * n};{volts};{event}")
    lines.insert(11, "11;2026-12-07T14:30:10.000;;1;;;")  # line 12: no time nor reading
    with open(path, "w", encoding="utf-8") as file:
        file.write("\n".join(lines) + "\n")
    before = (os.stat(path).st_mtime_ns, open(path, "rb").read())
    key("ctrl+o")
    type_into_dialog("Abrir gravação", path)
    box = wait_for(lambda: [w for w in dialogs() if w.name == "Erro"], "the box", timeout=30)[0]
    expect(descendant(box, "label", "ontem.csv").name.replace("\u200b", ""),  # where it wraps
           f"Uma linha de “{path}” não pôde ser lida e ficou de fora: a linha 12. As outras "
           "estão na janela da gravação; o arquivo não foi alterado.", "the box's text")
    click(descendant(box, "push button"))
    review = wait_for(lambda: [w for w in windows_of("sensor-viewer")
                               if w.name == "ontem.csv — gravação aberta"], "its window")[0]
    focus_window = subprocess.run(["xdotool", "search", "--name", "^ontem.csv"],
                                  capture_output=True, text=True, check=True).stdout.split()[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", focus_window], check=True)
    key("a", "b")
    shown = wait_for(lambda: measures_shown(review), "the measures of the recording")
    expect((shown["Amostras de A a B (N)"], shown["Δt (B − A)"], shown["Máximo"]),
           ("20", "19,000 s", "1,855 V"), "N, Δt and the highest of the rows read")
    expect("Um evento marcado" in descendant(review, "chart").description, True, "the event")
    polls = len(board.log("rx "))
    wait_for(lambda: len(board.log("rx ")) >= polls + 2, "the main window still polling")
    expect((os.stat(path).st_mtime_ns, open(path, "rb").read()), before, "the file untouched")
    close_window(window_id)
    expect(launcher.wait(20), 0, "exit status once the main window is closed")
    expect(windows_of("sensor-viewer"), [], "the windows left")


def e2e_stop_signals_keep_the_last_rows_at_a_fast_stream(session, bin_dir):
    """At 2,000 frames a second, SIGTERM, SIGHUP and SIGINT each end the program as its
    close button does: the recording holds every frame that came up to 50 ms before the
    signal. The test plays the board on a pseudo-terminal of its own, the viewer's COM2."""
    for stop in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        master, slave = os.openpty()
        viewer = session.start([*in_private_dev({"ttyS1": os.ttyname(slave)}),
                                os.path.join(bin_dir, "sensor-viewer")])
        wait_for(main_window, "the main window", timeout=60)
        window_id = focus("sensor-viewer")
        written = []  # (when, frames written by then); reading n % 1024 is frame n's
        streaming = threading.Event()
        streaming.set()

        def stream():
            count = 0
            while streaming.is_set():
                os.write(master, b"".join(bytes([n % 256, n % 1024 >> 8])
                                          for n in range(count, count + 20)))
                count += 20
                written.append((time.monotonic(), count))
                time.sleep(0.01)
        streamer = threading.Thread(target=stream, daemon=True)
        streamer.start()
        path = os.path.join(tempfile.mkdtemp(dir=session.runtime_dir), "dados.csv")
        record(path)
        time.sleep(0.5)
        # The signal comes 120 ms after the file last grew: the rows since are still to be
        # written, so only writing them out on the way out keeps them.
        size = os.path.getsize(path)
        while os.path.getsize(path) == size:
            time.sleep(0.002)
        time.sleep(0.12)
        signalled = time.monotonic()
        os.kill(viewer_pid(window_id), stop)
        streaming.clear()
        streamer.join()
        expect(viewer.wait(20), 0, f"exit status after {stop.name}")
        os.close(master)
        os.close(slave)
        readings = [int(row[4]) for row in csv_rows(path, ";")[1:]]
        in_order = all(b == (a + 1) % 1024 for a, b in zip(readings, readings[1:]))
        due = max(count for when, count in written if when <= signalled - 0.05)
        # The last frame recorded, as a frame's number: the one of its reading among the
        # last 1,024 written.
        total = written[-1][1]
        last = total - 1 - (total - 1 - readings[-1]) % 1024 if readings else -1
        expect((in_order, last >= due - 1), (True, True),
               f"after {stop.name}: {len(readings)} rows in order, the last frame recorded "
               f"{last}, of the {due} written 50 ms before the signal")


if __name__ == "__main__":
    sys.exit(main(Session, globals(), "e2e_"))
