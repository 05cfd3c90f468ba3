"""The real program as its user runs it, under Xvfb: on the simulated board behind
sensor-viewer-on, from the menu entry, or with no COM2 at all, driven by clicks and keys,
watched on the screen and through AT-SPI. Run: tst_viewer.py TEST BIN_DIR, TEST one of the
functions below."""

import os
import shlex
import subprocess
import sys
import time

from processes import expect, run_test, wait_for
from session import Session, click, screenshot

CAPTION = "Visualização dos dados capturados pelo sensor"
CHOOSER = "Visualizador do Sensor"  # the launcher's window that finds the board
DESKTOP_ENTRY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data",
                             "sensor-viewer.desktop")
READOUT = "Tensão da última leitura, em volts"  # the readout's description; its name is its text


def accessible_windows():
    """The program's windows in the accessibility tree, main window and boxes."""
    import pyatspi  # once the session bus is set: it connects on import
    return [window for app in pyatspi.Registry.getDesktop(0)
            if app is not None and app.name.endswith("sensor-viewer")
            for window in app if window is not None]


def chooser_window():
    import pyatspi
    return next((window for app in pyatspi.Registry.getDesktop(0)
                 if app is not None and app.name.endswith("sensor-viewer-chooser")
                 for window in app if window is not None), None)


def main_window():
    return next((w for w in accessible_windows() if w.name == CAPTION), None)


def error_boxes():
    return [w for w in accessible_windows() if w.name != CAPTION]


def box_text(box):
    import pyatspi
    label = pyatspi.findDescendant(box, lambda n: n.getRoleName() == "label" and "COM2" in n.name)
    return label.name if label else ""


def press_ok(box):
    import pyatspi
    click(wait_for(lambda: pyatspi.findDescendant(
        box, lambda n: n.getRoleName() == "push button"), "the box's OK button"))


def control(frame, name=None, description=None):
    return next(c for c in frame if c.name == name or c.description == description)


def exit_status(process):
    try:
        return process.wait(20)
    except subprocess.TimeoutExpired:
        return "still running 20 s later"


def focus(session, title):
    """The X id of the window shown with `title`, once it holds the keyboard, as after a
    click on it."""
    window_id = wait_for(lambda: [i for i, shown in session.shown if shown == title],
                         f"the window {title!r} on the screen", timeout=60)[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", str(window_id)], check=True)
    return window_id


def start_on_board(session, bin_dir, *board_options):
    """The simulated board, and the program on it through the launcher, its window up and
    holding the keyboard."""
    board = session.start_board(os.path.join(bin_dir, "sensor-board-sim"), *board_options)
    viewer = session.start_launcher(os.path.join(bin_dir, "sensor-viewer-on"), board.device)
    frame = wait_for(main_window, "the main window in the accessibility tree", timeout=60)
    return board, viewer, frame, focus(session, CAPTION)


def pick_channel_2(frame):
    click(control(frame, name="Canal"))
    subprocess.run(["xdotool", "type", "2"], check=True)


def trace_columns(chart):
    """The screen columns of the chart where its trace, a blue line, is drawn."""
    rows = screenshot(chart)
    return sorted({x for row in rows for x, (r, g, b) in enumerate(row)
                   if b > 150 and r < 100 and g < 100})


def width(columns):
    return columns[-1] - columns[0] + 1 if columns else 0


def no_device_shows_one_box_and_ends(session, bin_dir):
    viewer = session.start_program(os.path.join(bin_dir, "sensor-viewer"), with_port=False)
    box = wait_for(error_boxes, "an error box", timeout=60)[0]
    expect(box_text(box), "Não foi possível abrir a porta COM2 (/dev/ttyS1): o dispositivo não "
           "existe. Verifique se a placa está ligada ao computador e se o nome da porta está "
           "certo.", "the box's text")
    time.sleep(2)  # a second box would come in this time
    press_ok(box)
    expect(exit_status(viewer), 0, "exit status after OK")
    expect([title for _, title in session.shown], ["Erro"], "the windows shown")


def channel_2_is_polled_shown_drawn_and_cleared(session, bin_dir):
    board, viewer, frame, _ = start_on_board(session, bin_dir, "--channel", "2=constant,2.5")
    readout = control(frame, description=READOUT)
    chart = control(frame, name="Sinal do Sensor")
    import pyatspi
    chart = chart.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    expect(trace_columns(chart), [], "the trace before any reading")

    pick_channel_2(frame)
    # The reply to the first poll is drawn at once, but the readout shows it only from
    # the next tick: in the half second after the reply, still what the first tick found.
    replied = wait_for(lambda: board.log("tx "), "the reply to the first poll")[0][0]
    first_tick_readouts = set()
    while True:
        text = readout.name
        if time.monotonic() > replied + 0.5:  # the next tick is no sooner than 0.95 s on
            break
        first_tick_readouts.add(text)
        time.sleep(0.05)
    expect(first_tick_readouts, {"0"}, "the readout until the next tick")
    wait_for(lambda: readout.name == "2,5", "the readout to show 2,5 V")

    polls = wait_for(lambda: board.log("rx ")[:4] if len(board.log("rx ")) >= 4 else None,
                     "four polls", timeout=30)
    expect([line for _, line in polls], ["rx 6c l channel 2"] * 4, "the bytes polled")
    span = polls[3][0] - polls[0][0]
    expect(2.2 <= span <= 4.5, True, f"three poll periods take about 3 s, took {span:.2f} s")

    # 2.5 V every time: a horizontal line, growing one sample to the right each second.
    drawn = wait_for(lambda: width(trace_columns(chart)) > 20 and trace_columns(chart),
                     "a trace several samples long", timeout=30)
    rows = {y for y, row in enumerate(screenshot(chart))
            for r, g, b in row[drawn[0]:drawn[-1] + 1] if b > 150 and r < 100 and g < 100}
    expect(max(rows) - min(rows) <= 4, True, f"a flat trace, drawn on rows {sorted(rows)}")
    click(control(frame, name="Limpar Gráfico"))
    wait_for(lambda: width(trace_columns(chart)) < width(drawn) / 2, "the chart to clear")

    click(control(frame, name="Fechar"))
    expect(exit_status(viewer), 0, "exit status after Fechar")


def window_manager_close_ends(session, bin_dir):
    board, viewer, _, window_id = start_on_board(session, bin_dir)
    session.close_window(window_id)
    expect(exit_status(viewer), 0, "exit status after WM_DELETE_WINDOW")
    wait_for(lambda: board.log("device closed"), "the board to see its device closed")


def unplugged_board_shows_one_box_and_lamp_goes_dark(session, bin_dir):
    board, viewer, frame, _ = start_on_board(session, bin_dir)
    pick_channel_2(frame)
    wait_for(lambda: board.log("rx 6c"), "a poll for channel 2")
    board.unplug()
    lamp = control(frame, description="Lâmpada da porta serial")
    wait_for(lambda: lamp.name == "Porta fechada", "the lamp to go dark")
    box = wait_for(error_boxes, "an error box")[0]
    expect("foi perdida" in box_text(box), True, f"the box tells the link was lost on COM2: "
                                                 f"{box_text(box)!r}")
    time.sleep(3)  # ticks go on failing while the box is open
    expect([title for _, title in session.shown], [CAPTION, "Erro"], "the windows shown")
    expect(viewer.poll(), None, "exit status while the box is open")


def menu_entry_without_a_board_offers_the_demo(session, bin_dir):
    # The entry's command as the desktop runs it, the programs on PATH as when installed,
    # on a machine with no serial device at all.
    with open(DESKTOP_ENTRY) as entry:
        command = shlex.split(next(line for line in entry if line.startswith("Exec="))[5:])
    os.environ["PATH"] = f"{bin_dir}:{os.environ['PATH']}"
    menu = session.start_in_private_dev(command)
    chooser = wait_for(chooser_window, "the window that finds the board", timeout=60)
    import pyatspi
    heading = pyatspi.findDescendant(chooser, lambda n: n.getRoleName() == "label")
    expect(heading.name, "Nenhuma placa foi encontrada. Ligue a placa ao computador: ela "
           "aparece aqui assim que for reconhecida.", "the chooser's heading")
    click(pyatspi.findDescendant(chooser, lambda n: n.name == "Usar a placa simulada"))

    frame = wait_for(main_window, "the viewer on the simulated board", timeout=60)
    focus(session, CAPTION)
    pick_channel_2(frame)
    chart = control(frame, name="Sinal do Sensor").queryComponent().getExtents(
        pyatspi.DESKTOP_COORDS)
    wait_for(lambda: width(trace_columns(chart)) > 10, "a trace a few samples long", timeout=30)
    click(control(frame, name="Fechar"))
    expect(exit_status(menu), 0, "exit status after Fechar")


def launcher_opens_the_second_of_two_adapters(session, bin_dir):
    # Two USB adapters, as udev names them; the second picked with the keyboard.
    simulator = os.path.join(bin_dir, "sensor-board-sim")
    boards = [session.start_board(simulator) for _ in range(2)]
    launcher = session.start_in_private_dev(
        [os.path.join(bin_dir, "sensor-viewer-on")],
        {"ttyUSB0": boards[0].device, "ttyUSB1": boards[1].device},
        {"usb-FTDI_FT232R_USB_UART_A10K1TQD-if00-port0": "../../ttyUSB0",
         "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0": "../../ttyUSB1"})
    wait_for(chooser_window, "the window that lists the adapters", timeout=60)
    focus(session, CHOOSER)
    subprocess.run(["xdotool", "key", "Down", "Return"], check=True)

    frame = wait_for(main_window, "the viewer on the second adapter", timeout=60)
    focus(session, CAPTION)
    pick_channel_2(frame)
    wait_for(lambda: boards[1].log("rx 6c"), "the second board polled for channel 2")
    expect(boards[0].log("device opened"), [], "the first board's device opened")
    click(control(frame, name="Fechar"))
    expect(exit_status(launcher), 0, "exit status after Fechar")


if __name__ == "__main__":
    sys.exit(run_test(Session, globals()[sys.argv[1]], sys.argv[2]))
